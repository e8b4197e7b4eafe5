#include "ui/UtilityWindow.h"

#include "ui/Guarded.h"
#include "ui/SysUtils.h"

namespace ui {

namespace {
const wchar_t kUtilityClass[] = L"SweepfieldUtility";
}

UtilityWindow::UtilityWindow(Kind kind, Handler handler) : handler_(std::move(handler)) {
    static bool registered = false;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kUtilityClass;
        ::RegisterClassExW(&wc);
        registered = true;
    }
    // The object is bound at WM_NCCREATE, so its handler sees the window's
    // first messages too.
    window_.reset(kind == MessageOnly
                      ? ::CreateWindowExW(0, kUtilityClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this)
                      : ::CreateWindowExW(WS_EX_TOOLWINDOW, kUtilityClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                          nullptr, instance, this));
    if (!window_) throw EOutOfResources("Error creating window");
}

UtilityWindow::~UtilityWindow() {
    // The window's last messages find no handler.
    if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK UtilityWindow::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<UtilityWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<UtilityWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self) {
        // The handler may destroy this object (a timer freed from its own
        // tick), so it runs from a copy and nothing of the object is touched
        // afterwards. A message whose handler failed counts as handled.
        const bool handled = Guarded(
            [&] {
                Handler handler = self->handler_;
                return handler(msg, wParam, lParam);
            },
            true);
        if (handled) return 0;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace ui
