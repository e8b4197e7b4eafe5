#include "ui/Timer.h"

#include "ui/SysUtils.h"

namespace {
const UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

// The window goes with the timer; a WM_TIMER already queued for it is
// dropped by the system along with the window.
TTimer::~TTimer() = default;

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
    if (window_) ::KillTimer(window_->Handle(), kTimerId);
    if (!enabled_ || interval_ == 0) return;
    if (!window_)
        window_.reset(new ui::UtilityWindow(ui::UtilityWindow::MessageOnly, [this](UINT msg, WPARAM wParam, LPARAM) {
            return HandleMessage(msg, wParam);
        }));
    // Setting the timer again restarts the count, so a new interval takes
    // effect from now.
    if (!::SetTimer(window_->Handle(), kTimerId, interval_, nullptr))
        throw EOutOfResources("Not enough timers available");
}

bool TTimer::HandleMessage(UINT msg, WPARAM wParam) {
    if (msg != WM_TIMER || wParam != kTimerId) return false;
    // A tick that was queued before the timer stopped is not delivered late.
    if (enabled_ && interval_ != 0) Timer();
    return true;
}

void TTimer::Timer() { Fire(OnTimer, this); }
