#include "ui/Timer.h"

#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace {

const char kTimerClass[] = "SweepfieldTimer";
const UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
    // The window goes with the timer; a WM_TIMER already queued for it is
    // dropped by the system along with the window.
    window_.reset();
}

void TTimer::SetInterval(UINT interval) {
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (window_) ::KillTimer(window_.get(), kTimerId);
    if (!enabled_ || interval_ == 0) return;
    if (!window_) {
        static bool registered = false;
        HINSTANCE instance = ::GetModuleHandleA(nullptr);
        if (!registered) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = TimerWindowProc;
            wc.hInstance = instance;
            wc.lpszClassName = kTimerClass;
            ::RegisterClassExA(&wc);
            registered = true;
        }
        window_.reset(::CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr));
        if (!window_) throw EOutOfResources("Not enough timers available");
        ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    // Setting the timer again restarts the count, so a new interval takes
    // effect from now.
    if (!::SetTimer(window_.get(), kTimerId, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer() { Fire(OnTimer, this); }

LRESULT CALLBACK TTimer::TimerWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* timer = reinterpret_cast<TTimer*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg != WM_TIMER || wParam != kTimerId || !timer) return ::DefWindowProcA(wnd, msg, wParam, lParam);
    // A tick that was queued before the timer stopped is not delivered late.
    if (!timer->enabled_ || timer->interval_ == 0) return 0;
    try {
        timer->Timer();
    } catch (const std::exception& e) {
        if (Application) Application->HandleException(e);
    } catch (...) {
        if (Application) Application->HandleException(Exception("Unexpected error"));
    }
    return 0;
}
