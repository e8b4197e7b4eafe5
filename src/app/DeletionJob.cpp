#include "app/DeletionJob.h"

#include <objbase.h>

#include "ui/Unicode.h"

namespace sweep {

DeletionJob::DeletionJob(std::vector<FoundFile> files, RemovalKind kind)
    : files_(std::move(files)), kind_(kind), thread_([this] { Work(); }) {}

DeletionJob::~DeletionJob() {
    Stop();
    thread_.join();
}

void DeletionJob::Stop() { stop_ = true; }

void DeletionJob::Work() {
    // The shell's file operations want COM on the thread that calls them.
    const bool com = kind_ == RemovalKind::Recycle && SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    for (const FoundFile& file : files_) {
        if (stop_) break;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            current_ = ui::Utf8(file.Path());
        }
        const RemovalOutcome outcome = kind_ == RemovalKind::Delete ? DeleteFoundFile(file) : RecycleFoundFile(file);
        std::lock_guard<std::mutex> lock(mutex_);
        outcomes_.push_back(outcome);
    }
    if (com) ::CoUninitialize();
    std::lock_guard<std::mutex> lock(mutex_);
    current_.clear();
    over_ = true;
}

bool DeletionJob::Collect(std::vector<RemovalOutcome>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out.insert(out.end(), outcomes_.begin() + static_cast<std::ptrdiff_t>(collected_), outcomes_.end());
    collected_ = outcomes_.size();
    return over_;
}

std::string DeletionJob::CurrentFile() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

}  // namespace sweep
