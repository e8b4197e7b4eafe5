// Removing files on a thread of its own, one file at a time and in order, so
// that a window stays alive however many there are. The front end takes the
// outcomes as they come; a stop ends the job after the file in hand, and
// every file not reached stays as it was.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/FoundFile.h"
#include "engine/SafeDelete.h"

namespace sweep {

// Outcomes known out of step (a folder's files are confirmed together,
// Remover::Confirm), handed on in the files' order.
class OutcomesInOrder {
public:
    OutcomesInOrder(std::size_t count, std::function<void(const RemovalResult&)> done);
    // File `i` has been started: its outcome now, or none until Confirm.
    void Started(std::size_t i, std::optional<RemovalResult> outcome);
    // Confirms the files started and not settled yet.
    void Confirm(Remover& remover);

private:
    void HandOn();

    std::vector<std::optional<RemovalResult>> outcomes_;
    std::vector<std::size_t> pending_;
    std::size_t handedOn_ = 0;
    std::function<void(const RemovalResult&)> done_;
};

// A removal running on its own thread; what it removes and how is its work's
// (DeletionJob: found files; CopyRemovalJob, DuplicateRemoval.h: copies of
// duplicates).
class RemovalJob {
public:
    // Stops after the file in hand and waits for it.
    virtual ~RemovalJob();
    RemovalJob(const RemovalJob&) = delete;
    RemovalJob& operator=(const RemovalJob&) = delete;

    void Stop() { stop_ = true; }
    bool Stopped() const { return stop_; }
    // Appends the outcomes of the files done since the last call, in the
    // files' order (outcome i is file i's). True once the job is over; the
    // files not reached by a stop have none.
    bool Collect(std::vector<RemovalResult>& out);
    // The file in hand now, as text; empty when none is.
    std::string CurrentFile() const;

    // For the work, on the job's thread: whether to go on, the file taken
    // in hand, each outcome in the files' order.
    bool GoOn() const { return !stop_; }
    void InHand(const FoundFile& file);
    void Done(const RemovalResult& outcome);

protected:
    using Work = std::function<void(RemovalJob& job)>;
    RemovalJob(RemovalKind kind, Work work);

private:
    void Run();

    const Work work_;
    const RemovalKind kind_;
    mutable std::mutex mutex_;
    std::vector<RemovalResult> results_;
    std::size_t collected_ = 0;
    std::string current_;
    bool over_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: it starts once the rest is there
};

// Deletes a block of found files, or sends them to the recycle bin. The
// files are copied: the job does not depend on the window's list.
class DeletionJob final : public RemovalJob {
public:
    DeletionJob(std::vector<FoundFile> files, RemovalKind kind);
};

}  // namespace sweep
