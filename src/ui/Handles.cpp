#include "ui/Handles.h"

#include <atomic>

namespace ui {

namespace {
// Files and folders are opened by the search's threads too.
std::atomic<long> liveHandles{0};
}

long LiveHandleCount() { return liveHandles; }

namespace detail {
void CountHandle(int delta) { liveHandles += delta; }
}

}  // namespace ui
