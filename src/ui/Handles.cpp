#include "ui/Handles.h"

namespace ui {

namespace {
long liveHandles = 0;  // the user-interface thread is the only one
}

long LiveHandleCount() { return liveHandles; }

namespace detail {
void CountHandle(int delta) { liveHandles += delta; }
}

}  // namespace ui
