#include "ui/UtilityWindow.h"

#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace ui {

namespace {
const char kUtilityClass[] = "SweepfieldUtility";
}

UtilityWindow::UtilityWindow(Kind kind, Handler handler) : handler_(std::move(handler)) {
    static bool registered = false;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kUtilityClass;
        ::RegisterClassExA(&wc);
        registered = true;
    }
    window_.reset(kind == MessageOnly
                      ? ::CreateWindowExA(0, kUtilityClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr)
                      : ::CreateWindowExA(WS_EX_TOOLWINDOW, kUtilityClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                          nullptr, instance, nullptr));
    if (!window_) throw EOutOfResources("Error creating window");
    ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

UtilityWindow::~UtilityWindow() {
    // The window's last messages find no handler.
    if (window_) ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK UtilityWindow::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<UtilityWindow*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self) {
        // The handler may destroy this object (a timer freed from its own
        // tick), so it runs from a copy and nothing of the object is touched
        // afterwards.
        try {
            Handler handler = self->handler_;
            if (handler(msg, wParam, lParam)) return 0;
        } catch (const std::exception& e) {
            if (Application) Application->HandleException(e);
            return 0;
        } catch (...) {
            if (Application) Application->HandleException(Exception("Unexpected error"));
            return 0;
        }
    }
    return ::DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace ui
