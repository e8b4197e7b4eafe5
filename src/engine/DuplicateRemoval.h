// Removing the copies of duplicate files, and only copies that are still
// byte for byte the kept file.
//
// For each group, the kept file is opened first, for reading, letting others
// only read it (nobody writes, renames or removes it while the group is in
// hand), and must pass the checks a removal makes of any listed file
// (SafeDelete.h: its size, times and id as the search saw them, and the
// path the open file reached). If it does not, no copy of the group is
// touched, and each tells why (KeptMissing, KeptChanged, KeptUnreadable).
// Then each copy is opened for removal (for good: nobody else may have it
// open; to the recycle bin: others may read it, never write), passes the
// same checks, must not be the kept file itself (another name of it, or the
// same name: SameFile), and is compared byte by byte with the kept file
// through the two handles. Only then is it removed, through its own handle,
// for good or into the recycle bin with the bin's guarantee (in the bin
// whole, or still where it was). The kept file is never removed, whatever
// list of copies a front end passes.
#pragma once

#include <vector>

#include "engine/DeletionJob.h"
#include "engine/Duplicates.h"
#include "engine/SafeDelete.h"

namespace sweep {

// The copies of one group, removed at once on the caller's thread: the
// results in the copies' order.
std::vector<RemovalResult> RemoveCopies(const CopiesOf& group, RemovalKind kind);

// Removing the copies of many groups on a thread of its own, a copy at a
// time and in order, as DeletionJob removes found files: the outcomes come
// group by group, each group's copies in their order (outcome i is the i-th
// copy of all the groups').
class CopyRemovalJob final : public RemovalJob {
public:
    CopyRemovalJob(std::vector<CopiesOf> groups, RemovalKind kind);
};

}  // namespace sweep
