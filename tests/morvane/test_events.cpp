#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CEvent.h"
#include "core_expect.h"

using namespace morvane;
using namespace std::chrono_literals;

namespace {

template <class Call>
void ExpectTimeout(Call call, const wchar_t* method)
{
    core_test::ExpectThrow<CTimeoutException>(call, method, L"Timeout");
}

// Collects what asynchronous callbacks receive; "called" is set after each call.
struct TRecorder {
    std::mutex mutex;
    std::vector<TAsyncCbData> calls;
    CEvent called;

    std::size_t Count()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return calls.size();
    }
    TAsyncCbData Next()
    {
        called.Wait(5.0f);
        called.SetState(false);
        std::lock_guard<std::mutex> guard(mutex);
        return calls.back();
    }
};

// Resets the event that fired, so it is called once per signal.
void Record(const TAsyncCbData& data)
{
    auto* recorder = static_cast<TRecorder*>(data.user);
    data.event->SetState(false);
    {
        std::lock_guard<std::mutex> guard(recorder->mutex);
        recorder->calls.push_back(data);
    }
    recorder->called.SetState(true);
}

std::thread SetLater(CEvent& event)
{
    return std::thread([&event] {
        std::this_thread::sleep_for(20ms);
        event.SetState(true);
    });
}

} // namespace

TEST(CoreEvents, ZeroWaitTestsTheStateWithoutWaiting)
{
    CEvent event;
    EXPECT_FALSE(event.GetState());
    ExpectTimeout([&] { event.Wait(0.0f); }, L"morvane::CEvent::Wait");
    event.SetState(true);
    event.Wait(0.0f);
    event.Wait();
    EXPECT_TRUE(event.GetState()); // manual reset: waits leave it set
    event.SetState(false);
    EXPECT_THROW(event.Wait(-1.0f), CTimeoutException);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(event.Wait(0.0015f), CTimeoutException);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 1ms);
    EXPECT_LT(waited, 5s);
}

TEST(CoreEvents, CopiesNameTheSameEvent)
{
    CEvent a;
    CEvent b(a);
    b.SetState(true);
    EXPECT_TRUE(a.GetState());
    CEvent c;
    CEvent formerPartner(c);
    c = a; // c leaves its former partner
    formerPartner.SetState(false);
    EXPECT_TRUE(c.GetState());
    a.SetState(false);
    std::thread setter = SetLater(c); // wakes a waiter on a copy
    a.Wait(5.0f);
    setter.join();
}

TEST(CoreEvents, WaitOneAndWaitAll)
{
    CEvent a, b, c;
    c.SetState(true);
    EXPECT_EQ(CEvent::WaitOne(3, &a, &b, &c), 2);
    b.SetState(true);
    EXPECT_EQ(CEvent::WaitOne(0.0f, 3, &a, &b, &c), 1); // the first in argument order
    ExpectTimeout([&] { CEvent::WaitAll(0.01f, 3, &a, &b, &c); }, L"morvane::CEvent::WaitAll");
    b.SetState(false);
    c.SetState(false);
    ExpectTimeout([&] { CEvent::WaitOne(0.01f, 2, &a, &b); }, L"morvane::CEvent::WaitOne");

    std::thread setter = SetLater(b);
    EXPECT_EQ(CEvent::WaitOne(5.0f, 3, &a, &b, &c), 1);
    setter.join();
    setter = SetLater(a);
    CEvent::WaitAll(5.0f, 2, &a, &b);
    setter.join();
    CEvent::WaitAll(2, &b, &a);
}

TEST(CoreEvents, EmptyListsAndNullEventsAreRefused)
{
    CEvent a;
    a.SetState(true);
    TRecorder recorder;
    EXPECT_THROW(CEvent::WaitOne(0), CInvalidParameterException);
    EXPECT_THROW(CEvent::WaitAll(1.0f, 0), CInvalidParameterException);
    EXPECT_THROW(CEvent::WaitOne(2, &a, static_cast<CEvent*>(nullptr)), CNullPtrException);
    EXPECT_THROW(CEvent::WaitAllAsync(Record, &recorder, -1), CInvalidParameterException);
    EXPECT_THROW(a.WaitAsync(nullptr, &recorder), CNullPtrException);
}

TEST(CoreEvents, AsyncCallbacksReportEventIndexIdAndUser)
{
    TRecorder recorder;
    CEvent a, b, c;
    const unsigned first = a.WaitAsync(Record, &recorder);
    const unsigned second = CEvent::WaitOneAsync(Record, &recorder, 2, &b, &c);
    EXPECT_EQ(second, first + 1);
    c.SetState(true);
    TAsyncCbData data = recorder.Next();
    EXPECT_EQ(data.event, &c);
    EXPECT_EQ(data.index, 1);
    EXPECT_EQ(data.id, second);
    EXPECT_EQ(data.user, &recorder);
    a.SetState(true);
    data = recorder.Next();
    EXPECT_EQ(data.event, &a);
    EXPECT_EQ(data.index, 0);
    EXPECT_EQ(data.id, first);

    // Stopping by callback stops the first wait started with it.
    EXPECT_TRUE(CEvent::StopAsync(Record));
    EXPECT_FALSE(CEvent::StopAsync(first));
    a.SetState(true);
    b.SetState(true);
    EXPECT_EQ(recorder.Next().id, second);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.Count(), 3u);
    EXPECT_TRUE(a.GetState()); // nobody reset it: its wait is gone
    EXPECT_TRUE(CEvent::StopAsync(second));
    EXPECT_FALSE(CEvent::StopAsync(Record));
}

TEST(CoreEvents, AsyncWaitAllFiresOnlyWhenAllAreSet)
{
    TRecorder recorder;
    CEvent a, b;
    const unsigned id = CEvent::WaitAllAsync(Record, &recorder, 2, &a, &b);
    a.SetState(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.Count(), 0u);
    b.SetState(true);
    const TAsyncCbData data = recorder.Next();
    EXPECT_EQ(data.event, &a);
    EXPECT_EQ(data.index, 0);
    EXPECT_TRUE(CEvent::StopAsync(id));
}

namespace {

std::atomic<int> g_calls{0};

void Busy(const TAsyncCbData& data)
{
    std::this_thread::sleep_for(2ms);
    if (data.event->GetState()) // touches the event while it may be going away
        ++g_calls;
}

void StopSelf(const TAsyncCbData& data)
{
    CEvent::StopAsync(data.id);
    ++g_calls;
}

void WaitForCalls(int n)
{
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (g_calls < n && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(g_calls, n);
}

} // namespace

TEST(CoreEvents, DestroyingAnEventEndsItsWaitsBeforeItIsFreed)
{
    g_calls = 0;
    auto* event = new CEvent;
    CEvent other;
    event->WaitAsync(Busy, nullptr);
    const unsigned shared = CEvent::WaitOneAsync(Busy, nullptr, 2, &other, event);
    event->SetState(true); // never reset: the callbacks keep coming
    WaitForCalls(4);
    delete event;
    const int after = g_calls;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(g_calls, after);
    EXPECT_FALSE(CEvent::StopAsync(shared)); // it included the event, so it went too
}

TEST(CoreEvents, CallbackMayStopItsOwnWait)
{
    g_calls = 0;
    CEvent event;
    event.WaitAsync(StopSelf, nullptr);
    event.SetState(true);
    WaitForCalls(1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(g_calls, 1);
}
