// A timer driven by the message loop.
//
// Each running timer owns a small message-only window that receives its
// WM_TIMER messages, so OnTimer always runs from the thread's message loop
// (or a modal loop inside it, such as a menu's), never from a callback at an
// arbitrary moment. WM_TIMER is a low-priority message: ticks that fall due
// while the program is busy are folded into one.
#pragma once

#include <windows.h>
#include <memory>

#include "ui/Component.h"
#include "ui/UtilityWindow.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    // Milliseconds between ticks; 0 stops the timer. Default 1000.
    UINT GetInterval() const { return interval_; }
    void SetInterval(UINT interval);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    bool HandleMessage(UINT msg, WPARAM wParam);

    UINT interval_ = 1000;
    bool enabled_ = true;
    std::unique_ptr<ui::UtilityWindow> window_;
};
