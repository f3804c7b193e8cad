#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CEvent.h"

using namespace morvane;
using namespace std::chrono_literals;

namespace {

template <class E, class Call>
void ExpectThrows(Call call, const wchar_t* method, const wchar_t* reason)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const E& e) {
        EXPECT_STREQ(e.GetMethod(), method);
        EXPECT_STREQ(e.GetReason(), reason);
    }
}

// Collects what asynchronous callbacks receive; "called" is set after each call.
struct TRecorder {
    std::mutex mutex;
    std::vector<TAsyncCbData> calls;
    CEvent called;
    bool resetEvent = true;

    std::vector<TAsyncCbData> Calls()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return calls;
    }
    // Waits for the next call and returns it.
    TAsyncCbData Next()
    {
        called.Wait(5.0f);
        called.SetState(false);
        return Calls().back();
    }
};

void Record(const TAsyncCbData& data)
{
    auto* recorder = static_cast<TRecorder*>(data.user);
    if (recorder->resetEvent)
        data.event->SetState(false); // one call per signal
    {
        std::lock_guard<std::mutex> guard(recorder->mutex);
        recorder->calls.push_back(data);
    }
    recorder->called.SetState(true);
}

void SetLater(CEvent& event)
{
    std::this_thread::sleep_for(20ms);
    event.SetState(true);
}

} // namespace

TEST(CoreEvents, ZeroWaitTestsTheStateWithoutWaiting)
{
    CEvent event;
    EXPECT_FALSE(event.GetState());
    ExpectThrows<CTimeoutException>([&] { event.Wait(0.0f); }, L"morvane::CEvent::Wait", L"Timeout");
    ExpectThrows<CTimeoutException>([&] { CEvent::Wait(0.0f, event); }, L"morvane::CEvent::Wait", L"Timeout");
    event.SetState(true);
    event.Wait(0.0f);
    event.Wait();
    CEvent::Wait(event);
    EXPECT_TRUE(event.GetState()); // manual reset: waits leave it set
    event.SetState(false);
    EXPECT_THROW(event.Wait(-1.0f), CTimeoutException);
}

TEST(CoreEvents, ShortTimedWaitLastsItsWholeMilliseconds)
{
    CEvent event;
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
    c = a;
    a.SetState(false);
    EXPECT_FALSE(c.GetState());
    formerPartner.SetState(true);
    EXPECT_FALSE(c.GetState());
    std::thread setter(SetLater, std::ref(c));
    a.Wait(5.0f);
    setter.join();
}

TEST(CoreEvents, WaitOneGivesTheFirstSignalledInArgumentOrder)
{
    CEvent a, b, c;
    c.SetState(true);
    EXPECT_EQ(CEvent::WaitOne(3, &a, &b, &c), 2);
    b.SetState(true);
    EXPECT_EQ(CEvent::WaitOne(0.0f, 3, &a, &b, &c), 1);
    b.SetState(false);
    c.SetState(false);
    ExpectThrows<CTimeoutException>([&] { CEvent::WaitOne(0.01f, 2, &a, &b); }, L"morvane::CEvent::WaitOne",
                                    L"Timeout");
    std::thread setter(SetLater, std::ref(b));
    EXPECT_EQ(CEvent::WaitOne(5.0f, 3, &a, &b, &c), 1);
    setter.join();
}

TEST(CoreEvents, WaitAllNeedsEveryEventAtOnce)
{
    CEvent a, b;
    a.SetState(true);
    ExpectThrows<CTimeoutException>([&] { CEvent::WaitAll(0.01f, 2, &a, &b); }, L"morvane::CEvent::WaitAll",
                                    L"Timeout");
    std::thread setter(SetLater, std::ref(b));
    CEvent::WaitAll(5.0f, 2, &a, &b);
    setter.join();
    CEvent::WaitAll(2, &a, &b);
}

TEST(CoreEvents, EmptyListsAndNullEventsAreRefused)
{
    CEvent a;
    a.SetState(true);
    EXPECT_THROW(CEvent::WaitOne(0), CInvalidParameterException);
    EXPECT_THROW(CEvent::WaitAll(1.0f, 0), CInvalidParameterException);
    EXPECT_THROW(CEvent::WaitOne(2, &a, static_cast<CEvent*>(nullptr)), CNullPtrException);
    TRecorder recorder;
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

    EXPECT_TRUE(CEvent::StopAsync(first));
    EXPECT_FALSE(CEvent::StopAsync(first));
    a.SetState(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.Calls().size(), 2u);
    EXPECT_TRUE(a.GetState()); // nobody reset it: the wait is gone

    EXPECT_TRUE(CEvent::StopAsync(Record));
    EXPECT_FALSE(CEvent::StopAsync(Record));
    b.SetState(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.Calls().size(), 2u);
}

TEST(CoreEvents, StopByCallbackStopsTheFirstWaitStartedWithIt)
{
    TRecorder recorder;
    CEvent a, b;
    const unsigned onA = a.WaitAsync(Record, &recorder);
    const unsigned onB = CEvent::WaitAsync(Record, &recorder, b);
    EXPECT_TRUE(CEvent::StopAsync(Record));
    b.SetState(true);
    EXPECT_EQ(recorder.Next().id, onB);
    a.SetState(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(recorder.Calls().size(), 1u);
    EXPECT_FALSE(CEvent::StopAsync(onA));
    EXPECT_TRUE(CEvent::StopAsync(onB));
}

TEST(CoreEvents, AsyncWaitAllFiresOnlyWhenAllAreSet)
{
    TRecorder recorder;
    CEvent a, b;
    const unsigned id = CEvent::WaitAllAsync(Record, &recorder, 2, &a, &b);
    a.SetState(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(recorder.Calls().empty());
    b.SetState(true);
    const TAsyncCbData data = recorder.Next();
    EXPECT_EQ(data.event, &a);
    EXPECT_EQ(data.index, 0);
    EXPECT_EQ(data.id, id);
    EXPECT_TRUE(CEvent::StopAsync(id));
}

namespace {

struct TBusy {
    std::atomic<int> calls{0};
};

void Busy(const TAsyncCbData& data)
{
    std::this_thread::sleep_for(2ms);
    if (data.event->GetState()) // touches the event while it may be going away
        ++static_cast<TBusy*>(data.user)->calls;
}

void StopSelf(const TAsyncCbData& data)
{
    CEvent::StopAsync(data.id);
    ++static_cast<TBusy*>(data.user)->calls;
}

} // namespace

TEST(CoreEvents, DestroyingAnEventEndsItsWaitsBeforeItIsFreed)
{
    TBusy busy;
    auto* event = new CEvent;
    CEvent other;
    event->WaitAsync(Busy, &busy);
    const unsigned shared = CEvent::WaitOneAsync(Busy, &busy, 2, &other, event);
    event->SetState(true); // never reset: the callbacks keep coming
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (busy.calls < 4 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(busy.calls, 4);
    delete event;
    const int after = busy.calls;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(busy.calls, after);
    EXPECT_FALSE(CEvent::StopAsync(shared)); // it included the event, so it went too
}

TEST(CoreEvents, CallbackMayStopItsOwnWait)
{
    TBusy busy;
    CEvent event;
    event.WaitAsync(StopSelf, &busy);
    event.SetState(true);
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (busy.calls == 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(busy.calls, 1);
}
