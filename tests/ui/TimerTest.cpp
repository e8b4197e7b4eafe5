// The message-driven timer: ticks come only from the message loop, stop when
// disabled, and the timer may be destroyed from its own tick.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/Timer.h"
#include "base/Handles.h"

namespace {

bool TimerDue() { return (HIWORD(::GetQueueStatus(QS_TIMER)) & QS_TIMER) != 0; }

TEST(Timer, TicksOnlyFromTheMessageLoopAndStopsWhenDisabled) {
    long handles = base::LiveHandleCount();
    {
        TTimer timer(nullptr);
        EXPECT_EQ(timer.GetInterval(), 1000u);
        EXPECT_TRUE(timer.GetEnabled());
        int ticks = 0;
        TObject* sender = nullptr;
        timer.OnTimer = [&](TObject* s) {
            ++ticks;
            sender = s;
        };
        timer.SetInterval(20);
        ASSERT_TRUE(test::WaitUntil(TimerDue));  // due, but nobody reads the queue
        EXPECT_EQ(ticks, 0);
        EXPECT_TRUE(test::PumpUntil([&] { return ticks >= 3; }));
        EXPECT_EQ(sender, &timer);

        // A tick that fell due before the timer stopped is not delivered late.
        ASSERT_TRUE(test::WaitUntil(TimerDue));
        timer.SetEnabled(false);
        const int seen = ticks;
        test::LetTimersRun(20);
        EXPECT_EQ(ticks, seen);

        timer.SetEnabled(true);
        EXPECT_TRUE(test::PumpUntil([&] { return ticks > seen; }));
        timer.SetInterval(0);  // an interval of 0 stops it as well
        const int later = ticks;
        test::LetTimersRun(20);
        EXPECT_EQ(ticks, later);
    }
    EXPECT_EQ(base::LiveHandleCount(), handles);
}

TEST(Timer, MayBeDestroyedFromItsOwnTick) {
    long handles = base::LiveHandleCount();
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](TObject* s) {
        ++ticks;
        delete static_cast<TTimer*>(s);
    };
    EXPECT_TRUE(test::PumpUntil([&] { return ticks > 0; }));
    test::LetTimersRun(10);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(base::LiveHandleCount(), handles);
}

}  // namespace
