// Hidden windows for the class library's helpers (timers, popup menus) that
// need a window of their own to receive messages.
#pragma once

#include <windows.h>
#include <functional>

#include "ui/Handles.h"

namespace ui {

// A hidden window that hands every message to its handler; what the handler
// does not take (returns false) goes to DefWindowProc. An error the handler
// raises goes to the application's error report and leaves the window
// procedure no further.
class UtilityWindow {
public:
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;
    // A message-only window cannot own menus or take part in activation; a
    // hidden top-level one can.
    enum Kind { MessageOnly, TopLevel };
    UtilityWindow(Kind kind, Handler handler);
    ~UtilityWindow();
    UtilityWindow(const UtilityWindow&) = delete;
    UtilityWindow& operator=(const UtilityWindow&) = delete;

    HWND Handle() const { return window_.get(); }

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    Handler handler_;
    WindowHandle window_;
};

}  // namespace ui
