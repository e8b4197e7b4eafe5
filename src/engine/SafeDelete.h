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
// Deleting for good: the file is opened for deletion with no sharing at
// all, which fails while another program has it open. A deletion mark set
// while another program holds the file takes effect when that program closes
// it, perhaps long after the file was reported as kept; so a file in use is
// never marked. Where the system can delete the POSIX way (the name goes at
// once, whoever holds the file: Windows 10 on NTFS), a file held by others
// who let it be deleted goes that way; elsewhere (Wine 8) it stays, InUse,
// untouched.
//
// Recycling: the shell deletes for good a file its bin cannot take (too big
// on Windows; under Wine, a trash it cannot write to, or a full disk) and
// says it succeeded. So before the shell has the file, the file gets a
// second name in its own folder (a hard link). Afterwards it counts as
// recycled only when the bin holds it whole: the file still has as many
// names as before (the shell renamed it into the bin), or the bin grew by
// exactly one item of the file's size (the shell copied it into a bin on
// another volume, as Wine does). Otherwise the second name takes the first
// one back and the file is BinRefused; the second name goes in every case.
// A file that cannot have a second name is not handed to the shell.
//
// Under Wine, asking about a name that is not there costs a read of its
// whole folder, so the files removed from one folder are looked for in one
// listing of it (Remover::Confirm), not one by one.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "engine/FoundFile.h"
#include "base/Handles.h"

namespace sweep {

struct OpenFileFacts;

enum class RemovalOutcome : unsigned char {
    Removed,     // gone from its folder (recycled: the bin holds it whole)
    Missing,     // nothing at its path any more: someone else removed it
    Folder,      // a folder: never removed
    Changed,     // another file now, or changed since the search
    Link,        // the path leads to another file
    InUse,       // another program holds it
    Denied,      // no permission (access denied, read-only medium)
    BinRefused,  // the recycle bin did not take it whole: it stays where it was, whole
    Refused,     // the system said no for another reason (the error code tells)
    StillThere,  // the system said yes, yet the file is still there
    // A copy of a file that is kept (Duplicates.h) stays because of the
    // kept file: gone, changed or unreadable now (nothing of its group goes).
    KeptMissing,
    KeptChanged,
    KeptUnreadable,
    Differs,   // a copy whose bytes are not the kept file's
    SameFile,  // a "copy" that is the kept file itself, by another name or the same
};

struct RemovalResult {
    RemovalOutcome outcome;
    // The system's code where it said no. For BinRefused it may be the
    // shell's own code, and ERROR_SUCCESS where the shell said yes but
    // removed the file instead of keeping it in the bin.
    DWORD error = ERROR_SUCCESS;
};

// A short reason a user can read, in Spanish (UTF-8), for an outcome that
// kept the file; empty for Removed and Missing.
const char* ReasonOf(RemovalOutcome outcome);
// The outcome a refusal with this system error code stands for.
RemovalOutcome OutcomeOfError(DWORD error);

// What the recycle bin holds, as the shell counts it.
struct BinTotals {
    std::int64_t items = 0, bytes = 0;
};
// Whether the bin took a whole copy of a file of `size` bytes: it grew by
// exactly one item of that size.
bool BinTookACopy(const BinTotals& before, const BinTotals& after, std::int64_t size);

enum class RemovalKind {
    Delete,   // for good
    Recycle,  // to the recycle bin through the shell, which can give it back
};

// What a removal asks of the open file just before it removes it: none to go
// on, or the result that keeps the file. The handle reads the file, and
// nobody else can write to it while it is held.
using BeforeRemoving = std::function<std::optional<RemovalResult>(HANDLE file)>;

class Remover {
public:
    explicit Remover(RemovalKind kind) : kind_(kind) {}

    // Checks the file and asks the system to remove it. Returns the result
    // when it is final now (the file stays); none when the system said yes,
    // and Confirm will tell. With `check`, the file is also opened for
    // reading, and the check has the last word; a file another program has
    // open then stays even where the system could delete it the POSIX way.
    std::optional<RemovalResult> Start(const FoundFile& file, const BeforeRemoving& check = {});
    // Opens the listed file for reading, letting others only read it (no
    // writing, no removing) while the handle is held, after the same checks
    // as a removal: the result when it is not the file the search found, or
    // cannot be opened.
    std::optional<RemovalResult> OpenToRead(const FoundFile& file, base::KernelHandle& handle);
    // The folder of the files started and not confirmed yet, if any.
    const std::wstring* PendingFolder() const { return started_.empty() ? nullptr : started_.front().file.folder.get(); }
    // The results of the files started since the last call, in their
    // order: Removed for each one gone from its folder; for each one still
    // there, StillThere (with the attributes it had put back), or BinRefused
    // for a file the shell did not take.
    std::vector<RemovalResult> Confirm();

private:
    struct Started {
        FoundFile file;
        DWORD attributes;
        bool cleared;  // its read-only, hidden and system attributes were taken off
        RemovalResult ifStillThere;
    };
    bool OnTheRecordedVolume(const FoundFile& file);
    // Opens the listed file with the given sharing and checks that it is the
    // file the search found; the result when it is not, or cannot be opened.
    std::optional<RemovalResult> OpenChecked(const FoundFile& file, const std::wstring& path, DWORD share,
                                             DWORD access, base::KernelHandle& handle, OpenFileFacts& now);
    std::optional<RemovalResult> StartDeleting(const FoundFile& file, const BeforeRemoving& check);
    std::optional<RemovalResult> StartRecycling(const FoundFile& file, const BeforeRemoving& check);

    RemovalKind kind_;
    std::vector<char> factsBuffer_;  // what the system tells of a file, reused
    std::vector<Started> started_;
    const std::wstring* checkedFolder_ = nullptr;
    bool checkedFolderOnVolume_ = false;
};

// One file, started and confirmed.
RemovalResult DeleteFoundFile(const FoundFile& file);
RemovalResult RecycleFoundFile(const FoundFile& file);

}  // namespace sweep
