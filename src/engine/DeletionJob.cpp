#include "engine/DeletionJob.h"

#include <objbase.h>

#include <optional>

#include "base/Unicode.h"

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
    Remover remover(kind_);
    // Results are known out of step (a folder's files are confirmed
    // together) and handed out in order.
    std::vector<std::optional<RemovalResult>> results(files_.size());
    std::vector<std::size_t> pending;
    std::size_t handedOut = 0;
    auto handOut = [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        while (handedOut < results.size() && results[handedOut]) results_.push_back(*results[handedOut++]);
    };
    auto confirm = [&] {
        const std::vector<RemovalResult> confirmed = remover.Confirm();
        for (std::size_t k = 0; k < pending.size(); ++k) results[pending[k]] = confirmed[k];
        pending.clear();
        handOut();
    };
    for (std::size_t i = 0; i < files_.size() && !stop_; ++i) {
        const FoundFile& file = files_[i];
        if (remover.PendingFolder() && *remover.PendingFolder() != *file.folder) confirm();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            current_ = base::Utf8(file.Path());
        }
        if (std::optional<RemovalResult> result = remover.Start(file))
            results[i] = *result;
        else
            pending.push_back(i);
        handOut();
    }
    confirm();
    if (com) ::CoUninitialize();
    std::lock_guard<std::mutex> lock(mutex_);
    current_.clear();
    over_ = true;
}

bool DeletionJob::Collect(std::vector<RemovalResult>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out.insert(out.end(), results_.begin() + static_cast<std::ptrdiff_t>(collected_), results_.end());
    collected_ = results_.size();
    return over_;
}

std::string DeletionJob::CurrentFile() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

}  // namespace sweep
