#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CTimer.h"

using namespace morvane;
using namespace std::chrono_literals;

TEST(CoreTimers, A20MillisecondTimerFiresRepeatedly)
{
    CTimer timer(0.02f);
    const auto start = std::chrono::steady_clock::now();
    timer.Start();
    timer.Start(); // already running: no second entry
    for (int i = 0; i < 5; ++i) {
        timer.Wait(2.0f);
        timer.SetState(false);
    }
    // The fifth period cannot end before 100 ms; a late waiter only adds time.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 99ms);
    timer.Stop();
}

TEST(CoreTimers, EventStaysSetUntilResetAndStopEndsTheSignals)
{
    CTimer timer(0.005f);
    timer.Start();
    timer.Wait(2.0f);
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(timer.GetState());
    timer.Stop();
    timer.Stop();
    timer.SetState(false);
    std::this_thread::sleep_for(40ms);
    EXPECT_FALSE(timer.GetState());
    // The pool thread starts again with the next timer.
    timer.Start();
    timer.Wait(2.0f);
}

TEST(CoreTimers, TimersRunSideBySide)
{
    CTimer fast(0.005f);
    CTimer slow(0.5f);
    fast.Start();
    slow.Start();
    EXPECT_EQ(CEvent::WaitOne(2.0f, 2, static_cast<CEvent*>(&slow), static_cast<CEvent*>(&fast)), 1);
    fast.SetState(false);
    CEvent::WaitAll(2.0f, 2, static_cast<CEvent*>(&slow), static_cast<CEvent*>(&fast));
    slow.Stop();
    fast.SetState(false);
    fast.Wait(2.0f); // the other timer goes on
}

TEST(CoreTimers, DestroyingARunningTimerRemovesIt)
{
    CTimer survivor(0.002f);
    survivor.Start();
    for (int i = 0; i < 20; ++i) {
        auto* timer = new CTimer(0.001f);
        timer->Start();
        std::this_thread::sleep_for(1ms);
        delete timer; // the pool must not set it afterwards
    }
    survivor.SetState(false);
    survivor.Wait(2.0f);
}

TEST(CoreTimersDeathTest, PoolReportsTimersStillRunningAtExit)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            (new CTimer(0.01f))->Start();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "CTimerPool::~CTimerPool.*Timers still alive!");
}
