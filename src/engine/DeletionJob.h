// Deleting a block of found files on a thread of its own, one file at a
// time and in order, so that the window stays alive however many there are.
// The window takes the outcomes as they come; a stop ends the job after the
// file in hand, and every file not reached stays as it was.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/FoundFile.h"
#include "engine/SafeDelete.h"

namespace sweep {

class DeletionJob {
public:
    // The files are copied: the job does not depend on the window's list.
    DeletionJob(std::vector<FoundFile> files, RemovalKind kind);
    // Stops after the file in hand and waits for it.
    ~DeletionJob();
    DeletionJob(const DeletionJob&) = delete;
    DeletionJob& operator=(const DeletionJob&) = delete;

    void Stop();
    bool Stopped() const { return stop_; }
    // Appends the results of the files done since the last call, in the
    // files' order (result i is the file i). True once the job is over.
    bool Collect(std::vector<RemovalResult>& out);
    // The file in hand now, as text; empty when none is.
    std::string CurrentFile() const;

private:
    void Work();

    const std::vector<FoundFile> files_;
    const RemovalKind kind_;
    mutable std::mutex mutex_;
    std::vector<RemovalResult> results_;  // handed out in the files' order
    std::size_t collected_ = 0;
    std::string current_;
    bool over_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace sweep
