#include "engine/DeletionJob.h"

#include <objbase.h>

#include "base/Unicode.h"

namespace sweep {

OutcomesInOrder::OutcomesInOrder(std::size_t count, std::function<void(const RemovalResult&)> done)
    : outcomes_(count), done_(std::move(done)) {}

void OutcomesInOrder::Started(std::size_t i, std::optional<RemovalResult> outcome) {
    if (outcome)
        outcomes_[i] = *outcome;
    else
        pending_.push_back(i);
    HandOn();
}

void OutcomesInOrder::Confirm(Remover& remover) {
    const std::vector<RemovalResult> confirmed = remover.Confirm();
    for (std::size_t k = 0; k < pending_.size(); ++k) outcomes_[pending_[k]] = confirmed[k];
    pending_.clear();
    HandOn();
}

void OutcomesInOrder::HandOn() {
    while (handedOn_ < outcomes_.size() && outcomes_[handedOn_]) done_(*outcomes_[handedOn_++]);
}

RemovalJob::RemovalJob(RemovalKind kind, Work work)
    : work_(std::move(work)), kind_(kind), thread_([this] { Run(); }) {}

RemovalJob::~RemovalJob() {
    Stop();
    thread_.join();
}

void RemovalJob::Run() {
    // The shell's file operations want COM on the thread that calls them.
    const bool com = kind_ == RemovalKind::Recycle && SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    work_(*this);
    if (com) ::CoUninitialize();
    std::lock_guard<std::mutex> lock(mutex_);
    current_.clear();
    over_ = true;
}

void RemovalJob::InHand(const FoundFile& file) {
    std::string path = base::Utf8(file.Path());
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = std::move(path);
}

void RemovalJob::Done(const RemovalResult& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    results_.push_back(outcome);
}

bool RemovalJob::Collect(std::vector<RemovalResult>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out.insert(out.end(), results_.begin() + static_cast<std::ptrdiff_t>(collected_), results_.end());
    collected_ = results_.size();
    return over_;
}

std::string RemovalJob::CurrentFile() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

DeletionJob::DeletionJob(std::vector<FoundFile> files, RemovalKind kind)
    : RemovalJob(kind, [files = std::move(files), kind](RemovalJob& job) {
          Remover remover(kind);
          OutcomesInOrder outcomes(files.size(), [&job](const RemovalResult& r) { job.Done(r); });
          for (std::size_t i = 0; i < files.size() && job.GoOn(); ++i) {
              const FoundFile& file = files[i];
              if (remover.PendingFolder() && *remover.PendingFolder() != *file.folder) outcomes.Confirm(remover);
              job.InHand(file);
              outcomes.Started(i, remover.Start(file));
          }
          outcomes.Confirm(remover);
      }) {}

}  // namespace sweep
