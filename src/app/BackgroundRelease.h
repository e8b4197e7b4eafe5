// Lets go of large things on a thread of its own. Freeing the 100,000 rows
// of a search takes the window's thread some 60 ms under Wine, long enough
// for the window to stop answering; handed over here, they go while the next
// search already runs.
#pragma once

#include <thread>
#include <tuple>
#include <utility>

namespace sweep {

class BackgroundRelease {
public:
    BackgroundRelease() = default;
    BackgroundRelease(const BackgroundRelease&) = delete;
    BackgroundRelease& operator=(const BackgroundRelease&) = delete;
    ~BackgroundRelease() { Wait(); }

    // Takes the things over and frees them on the thread, once what an
    // earlier call handed over is gone.
    template <class... Things>
    void Release(Things... things) {
        Wait();
        thread_ = std::thread([held = std::make_tuple(std::move(things)...)]() mutable {
            [[maybe_unused]] const auto gone = std::move(held);
        });
    }

    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace sweep
