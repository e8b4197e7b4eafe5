#include "engine/DuplicateRemoval.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <optional>

#include "base/Handles.h"
#include "engine/FolderListing.h"
#include "engine/ReadBlocks.h"

namespace sweep {

namespace {

RemovalResult Result(RemovalOutcome outcome, DWORD error = ERROR_SUCCESS) { return RemovalResult{outcome, error}; }

// What each copy of a group gets when its kept file cannot be compared with.
RemovalResult KeptFailed(const RemovalResult& kept) {
    switch (kept.outcome) {
        case RemovalOutcome::Missing: return Result(RemovalOutcome::KeptMissing, kept.error);
        case RemovalOutcome::Changed:
        case RemovalOutcome::Link:
        case RemovalOutcome::Folder: return Result(RemovalOutcome::KeptChanged, kept.error);
        default: return Result(RemovalOutcome::KeptUnreadable, kept.error);
    }
}

// Removes the copies of one group after another, the kept file of each held
// open meanwhile.
class CopyRemover {
public:
    explicit CopyRemover(RemovalKind kind) : remover_(kind) {}
    Remover& remover() { return remover_; }

    // Opens the kept file of a group: none when its copies can be compared
    // with it, or else the result each of them gets.
    std::optional<RemovalResult> OpenKept(const FoundFile& kept) {
        if (!kept.folder) return Result(RemovalOutcome::KeptMissing);
        if (std::optional<RemovalResult> refused = remover_.OpenToRead(kept, kept_)) return KeptFailed(*refused);
        if (!::GetFileInformationByHandle(kept_.get(), &keptId_)) return Result(RemovalOutcome::KeptUnreadable, ::GetLastError());
        return std::nullopt;
    }
    void CloseKept() { kept_.reset(); }

    // Starts removing a copy of the group whose kept file is open: the result
    // when it is final now, none when the remover's Confirm will tell.
    std::optional<RemovalResult> StartCopy(const FoundFile& copy) {
        // The kept file, by its own name or another: never even opened for
        // removal. (Were it opened, the kept file's handle, which lets others
        // only read, would keep it: "in use".)
        if (!copy.folder || IsTheKeptFile(copy)) return Result(RemovalOutcome::SameFile);
        return remover_.Start(copy, [this](HANDLE file) { return CompareWithKept(file); });
    }

private:
    // Whether the copy's path leads to the kept file, as the system tells
    // through a handle that reads attributes alone, which any sharing lets
    // through: the same name, a hard link (which a listing without ids does
    // not tell), or under Wine a Unix link to it.
    bool IsTheKeptFile(const FoundFile& copy) const {
        base::KernelHandle file(base::ValidOrNull(::CreateFileW(
            ExactPath(copy.Path()).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
        BY_HANDLE_FILE_INFORMATION id;
        return file && ::GetFileInformationByHandle(file.get(), &id) &&
               id.dwVolumeSerialNumber == keptId_.dwVolumeSerialNumber && id.nFileIndexHigh == keptId_.nFileIndexHigh &&
               id.nFileIndexLow == keptId_.nFileIndexLow;
    }

    // None when the copy's bytes are the kept file's, all of them; the
    // result that keeps the copy otherwise.
    std::optional<RemovalResult> CompareWithKept(HANDLE copy) {
        for (std::int64_t at = 0;;) {
            DWORD inKept = 0, inCopy = 0, error = ERROR_SUCCESS;
            if (!ReadAt(kept_.get(), keptBlock_.data(), kReadBlock, at, inKept, error))
                return Result(RemovalOutcome::KeptUnreadable, error);
            if (!ReadAt(copy, copyBlock_.data(), kReadBlock, at, inCopy, error))
                return Result(OutcomeOfError(error), error);
            if (inKept != inCopy || std::memcmp(keptBlock_.data(), copyBlock_.data(), inKept) != 0)
                return Result(RemovalOutcome::Differs);
            if (inKept == 0) return std::nullopt;
            at += inKept;
        }
    }

    Remover remover_;
    base::KernelHandle kept_;
    BY_HANDLE_FILE_INFORMATION keptId_{};
    ReadBlock keptBlock_, copyBlock_;
};

// Removes the copies of the groups in order. `goOn` is asked before each
// copy, `inHand` told of it; `done` gets each copy's result, in the copies'
// order (results are known out of step: a folder's copies are confirmed
// together).
void RemoveInOrder(const std::vector<CopiesOf>& groups, RemovalKind kind, const std::function<bool()>& goOn,
                   const std::function<void(const FoundFile&)>& inHand,
                   const std::function<void(const RemovalResult&)>& done) {
    CopyRemover copies(kind);
    Remover& remover = copies.remover();
    std::size_t total = 0;
    for (const CopiesOf& group : groups) total += group.copies.size();
    OutcomesInOrder outcomes(total, done);
    std::size_t index = 0;
    bool stopped = false;
    for (const CopiesOf& group : groups) {
        if (group.copies.empty()) continue;
        if (stopped || !goOn()) break;
        const std::optional<RemovalResult> keptFailed = copies.OpenKept(group.kept);
        for (const FoundFile& copy : group.copies) {
            if (!goOn()) {
                stopped = true;
                break;
            }
            if (remover.PendingFolder() && copy.folder && *remover.PendingFolder() != *copy.folder)
                outcomes.Confirm(remover);
            inHand(copy);
            outcomes.Started(index++, keptFailed ? keptFailed : copies.StartCopy(copy));
        }
        copies.CloseKept();
    }
    outcomes.Confirm(remover);
}

}  // namespace

std::vector<RemovalResult> RemoveCopies(const CopiesOf& group, RemovalKind kind) {
    std::vector<RemovalResult> results;
    RemoveInOrder(
        {group}, kind, [] { return true; }, [](const FoundFile&) {},
        [&](const RemovalResult& result) { results.push_back(result); });
    return results;
}

CopyRemovalJob::CopyRemovalJob(std::vector<CopiesOf> groups, RemovalKind kind)
    : RemovalJob(kind, [groups = std::move(groups), kind](RemovalJob& job) {
          RemoveInOrder(
              groups, kind, [&job] { return job.GoOn(); }, [&job](const FoundFile& copy) { job.InHand(copy); },
              [&job](const RemovalResult& outcome) { job.Done(outcome); });
      }) {}

}  // namespace sweep
