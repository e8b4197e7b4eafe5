// Deleting a listed file, and only that file.
//
// A row names a file by the identity the search recorded (FoundFile), never
// by its texts. The file is opened by its exact path without following a
// link, compared with what the search saw (id, size, exact times), deleted
// through that same handle, and then looked for: only a file that is really
// gone from its folder counts as deleted.
//
// Links: on Windows a link opened this way is the link itself, and deleting
// it leaves its target alone. Wine shows a Unix symbolic link to a file as a
// plain file (its target's size, times and id) and deletes the TARGET through
// any handle opened on it; the one tell is the path the open handle reports,
// which is the target's. A file whose handle reports any other path than the
// listed one is never deleted.
#pragma once

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

// Deletes the file for good, if it is still the file that was found.
RemovalOutcome DeleteFoundFile(const FoundFile& file);

// Sends the file to the recycle bin through the shell (it can be restored
// from there), with the same checks; no dialog of the shell's own shows. A
// file on a drive without a recycle bin stays (Refused): the shell would
// delete it for good instead. Under Wine the recycle bin is the desktop's
// trash, and without one Wine also deletes for good.
RemovalOutcome RecycleFoundFile(const FoundFile& file);

}  // namespace sweep
