// Deleting a listed file, and only that file.
//
// A row names a file by the identity the search recorded (FoundFile), never
// by its texts. The file is opened by its exact path without following a
// link, compared with what the search saw (id, size, exact times, its
// folder's volume), deleted through that same handle (or handed to the
// recycle bin while it is held), and then looked for: only a file that is
// really gone from its folder counts as removed.
//
// Links: on Windows a link opened this way is the link itself, and deleting
// it leaves its target alone. Wine shows a Unix symbolic link to a file as a
// plain file (its target's size, times and id) and deletes the TARGET through
// any handle opened on it; the one tell is the path the open handle reports,
// which is the target's. A file whose handle reports any other path than the
// listed one is never deleted.
//
// Under Wine, asking about a name that is not there costs a read of its
// whole folder, so the files removed from one folder are looked for in one
// listing of it (Remover::Confirm), not one by one.
#pragma once

#include <optional>
#include <vector>

#include "app/FoundFile.h"

namespace sweep {

enum class RemovalOutcome {
    Removed,     // gone from its folder
    Missing,     // nothing at its path any more
    Folder,      // a folder: never deleted
    Changed,     // another file now, or changed since the search
    Link,        // the path leads to another file
    Refused,     // in use, no right, or the system said no
    StillThere,  // the system said yes, yet the file is still there
};

enum class RemovalKind {
    Delete,   // for good
    Recycle,  // to the recycle bin through the shell, which can give it back;
              // a file on a drive without a recycle bin stays (Refused): the
              // shell would delete it for good instead. Under Wine the bin is
              // the desktop's trash, and without one Wine deletes for good.
};

class Remover {
public:
    explicit Remover(RemovalKind kind) : kind_(kind) {}

    // Checks the file and asks the system to remove it. Returns the outcome
    // when it is final now (the file stays); none when the system said yes,
    // and Confirm will tell.
    std::optional<RemovalOutcome> Start(const FoundFile& file);
    // The folder of the files started and not confirmed yet, if any.
    const std::wstring* PendingFolder() const { return started_.empty() ? nullptr : started_.front().file.folder.get(); }
    // The outcomes of the files started since the last call, in their
    // order: Removed for each one gone from its folder, StillThere for each
    // one still there (with the attributes it had put back).
    std::vector<RemovalOutcome> Confirm();

private:
    struct Started {
        FoundFile file;
        DWORD attributes;
        bool cleared;  // its read-only, hidden and system attributes were taken off
    };
    bool OnTheRecordedVolume(const FoundFile& file);

    RemovalKind kind_;
    std::vector<char> factsBuffer_;  // what the system tells of a file, reused
    std::vector<Started> started_;
    const std::wstring* checkedFolder_ = nullptr;
    bool checkedFolderOnVolume_ = false;
};

// One file, started and confirmed.
RemovalOutcome DeleteFoundFile(const FoundFile& file);
RemovalOutcome RecycleFoundFile(const FoundFile& file);

}  // namespace sweep
