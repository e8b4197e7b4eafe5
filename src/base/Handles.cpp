#include "base/Handles.h"

#include <atomic>

namespace base {

namespace {
// Files and folders are opened by the search's threads too.
std::atomic<long> liveHandles{0};
}

long LiveHandleCount() { return liveHandles; }

namespace detail {
void CountHandle(int delta) { liveHandles += delta; }
}

}  // namespace base
