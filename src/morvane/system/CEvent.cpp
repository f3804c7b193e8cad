#include "morvane/system/CEvent.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"

namespace morvane {

namespace {

using TClock = std::chrono::steady_clock;

// One sleeping thread: a synchronous wait, or the thread of an asynchronous one.
struct TWaiter {
    std::condition_variable wake;
};

} // namespace

// The flag of an event and the waiters sleeping on it. Copies of an event
// share it; waits hold it too, so it outlives an event destroyed under them.
struct TEventState {
    bool signalled = false;
    std::vector<TWaiter*> waiters;
};

// Lets the wait helpers reach an event's state.
struct TEventAccess {
    static const std::shared_ptr<TEventState>& State(const CEvent& event) { return event.m_state; }
};

namespace {

struct TWaitList {
    std::vector<CEvent*> events;
    std::vector<std::shared_ptr<TEventState>> states;
};

struct TAsyncWait {
    unsigned int id = 0;
    TWaitList list;
    TAsyncCallback callback = nullptr;
    void* user = nullptr;
    bool all = false;
    bool stopped = false;
    TWaiter waiter;
    // Moved out by whoever stops the wait, and joined or detached there.
    std::thread thread;
};

// Every event flag, waiter list and the list of asynchronous waits live under
// one lock, so a wait-all sees all of its flags at the same instant.
struct TEventWorld {
    std::mutex mutex;
    std::vector<std::shared_ptr<TAsyncWait>> asyncWaits;
    unsigned int nextId = 0;
};

TEventWorld& World()
{
    // Never destroyed: asynchronous waits that nobody stopped still use it
    // while the process exits.
    static auto* world = new TEventWorld;
    return *world;
}

// Registers a waiter with every event of a list while it sleeps; both ends
// run under the world lock.
class CAttachment {
public:
    CAttachment(const TWaitList& list, TWaiter* waiter) : m_list(list), m_waiter(waiter)
    {
        for (const auto& state : m_list.states)
            state->waiters.push_back(m_waiter);
    }
    ~CAttachment()
    {
        for (const auto& state : m_list.states) {
            auto it = std::find(state->waiters.begin(), state->waiters.end(), m_waiter);
            if (it != state->waiters.end())
                state->waiters.erase(it);
        }
    }
    CAttachment(const CAttachment&) = delete;
    CAttachment& operator=(const CAttachment&) = delete;

private:
    const TWaitList& m_list;
    TWaiter* m_waiter;
};

// The index that satisfies the wait (0 for a satisfied wait-all), or -1.
int Ready(const TWaitList& list, bool all)
{
    if (all) {
        for (const auto& state : list.states)
            if (!state->signalled)
                return -1;
        return 0;
    }
    for (std::size_t i = 0; i < list.states.size(); ++i)
        if (list.states[i]->signalled)
            return static_cast<int>(i);
    return -1;
}

// Timed waits truncate seconds to whole milliseconds. Zero, negative and NaN
// times test without waiting; times beyond the 32-bit millisecond range are
// waits without a limit.
std::optional<TClock::time_point> Deadline(float seconds)
{
    // Float arithmetic, as callers expect: 0.02f * 1000 is 20, not 19.999.
    const double ms = static_cast<double>(seconds * 1000.0f);
    if (!(ms >= 1.0))
        return TClock::now();
    if (ms >= 4294967295.0)
        return std::nullopt;
    return TClock::now() + std::chrono::milliseconds(static_cast<long long>(ms));
}

int WaitFor(const TWaitList& list, bool all, const std::optional<TClock::time_point>& deadline)
{
    TEventWorld& world = World();
    std::unique_lock<std::mutex> lock(world.mutex);
    int index = Ready(list, all);
    if (index >= 0 || (deadline && TClock::now() >= *deadline))
        return index;
    TWaiter waiter;
    CAttachment attachment(list, &waiter);
    for (;;) {
        if (!deadline) {
            waiter.wake.wait(lock);
        } else if (waiter.wake.wait_until(lock, *deadline) == std::cv_status::timeout) {
            return Ready(list, all);
        }
        index = Ready(list, all);
        if (index >= 0)
            return index;
    }
}

std::vector<CEvent*> ReadEvents(int count, va_list args)
{
    std::vector<CEvent*> events;
    const int n = std::min(count, CEvent::kMaxEvents);
    for (int i = 0; i < n; ++i)
        events.push_back(va_arg(args, CEvent*));
    return events;
}

TWaitList MakeList(const wchar_t* method, std::vector<CEvent*> events)
{
    // An empty list would never fire and a null entry would crash the waiter.
    if (events.empty())
        MRV_THROW(CInvalidParameterException, method, L"No events to wait for");
    TWaitList list;
    for (CEvent* event : events) {
        if (!event)
            MRV_THROW(CNullPtrException, method, L"Null event");
        list.states.push_back(TEventAccess::State(*event));
    }
    list.events = std::move(events);
    return list;
}

// Waits for one (or all) of the events, without a limit or for the given
// seconds; a wait that runs out raises CTimeoutException "Timeout".
int WaitList(const wchar_t* method, std::vector<CEvent*> events, bool all, std::optional<float> seconds)
{
    const TWaitList list = MakeList(method, std::move(events));
    const int index = WaitFor(list, all, seconds ? Deadline(*seconds) : std::optional<TClock::time_point>());
    if (index < 0)
        MRV_THROW(CTimeoutException, method, L"Timeout");
    return index;
}

void RunAsync(std::shared_ptr<TAsyncWait> wait)
{
    TEventWorld& world = World();
    std::unique_lock<std::mutex> lock(world.mutex);
    CAttachment attachment(wait->list, &wait->waiter);
    for (;;) {
        int index = -1;
        wait->waiter.wake.wait(lock, [&] { return wait->stopped || (index = Ready(wait->list, wait->all)) >= 0; });
        if (wait->stopped)
            break;
        const TAsyncCbData data{wait->list.events[static_cast<std::size_t>(index)], index, wait->id, wait->user};
        lock.unlock();
        try {
            wait->callback(data);
        } catch (const CException&) {
            // Already reported when it was made; the wait goes on.
        } catch (...) {
            CDebug::PrintMessage(DEBUG_MESSAGE_DEBUGGER, L"Asynchronous wait %u: callback threw", data.id);
        }
        lock.lock();
    }
}

unsigned int StartAsync(const wchar_t* method, TAsyncCallback callback, void* user, bool all, TWaitList list)
{
    if (!callback)
        MRV_THROW(CNullPtrException, method, L"Null callback");
    auto wait = std::make_shared<TAsyncWait>();
    wait->list = std::move(list);
    wait->callback = callback;
    wait->user = user;
    wait->all = all;
    TEventWorld& world = World();
    std::lock_guard<std::mutex> lock(world.mutex);
    wait->id = world.nextId++;
    world.asyncWaits.push_back(wait);
    try {
        // The thread sleeps on the world lock until this returns.
        wait->thread = std::thread(RunAsync, wait);
    } catch (...) {
        world.asyncWaits.pop_back();
        throw;
    }
    return wait->id;
}

// Unregisters the waits that match, wakes their threads and waits for them to
// end; a wait stopped from its own callback ends when the callback returns.
template <class Match>
int StopWhere(Match match, bool firstOnly)
{
    std::vector<std::thread> threads;
    {
        TEventWorld& world = World();
        std::lock_guard<std::mutex> lock(world.mutex);
        auto& waits = world.asyncWaits;
        for (auto it = waits.begin(); it != waits.end();) {
            if (!match(**it)) {
                ++it;
                continue;
            }
            (*it)->stopped = true;
            (*it)->waiter.wake.notify_one();
            threads.push_back(std::move((*it)->thread));
            it = waits.erase(it);
            if (firstOnly)
                break;
        }
    }
    for (std::thread& thread : threads) {
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
    return static_cast<int>(threads.size());
}

} // namespace

CEvent::CEvent() : m_state(std::make_shared<TEventState>()) {}

CEvent::CEvent(const CEvent& other) : CClassObject(), m_state(other.m_state) {}

CEvent& CEvent::operator=(const CEvent& other)
{
    if (this != &other)
        m_state = other.m_state;
    return *this;
}

CEvent::~CEvent()
{
    try {
        StopWhere(
            [this](const TAsyncWait& wait) {
                return std::find(wait.list.events.begin(), wait.list.events.end(), this) != wait.list.events.end();
            },
            false);
    } catch (...) {
        MRV_REPORT_BUG(L"morvane::CEvent::~CEvent", L"Cannot stop an asynchronous wait");
    }
}

void CEvent::SetState(bool signalled)
{
    std::lock_guard<std::mutex> lock(World().mutex);
    if (signalled == m_state->signalled)
        return;
    m_state->signalled = signalled;
    // Waiters unregister under the same lock, so each one is still alive here.
    if (signalled)
        for (TWaiter* waiter : m_state->waiters)
            waiter->wake.notify_one();
}

bool CEvent::GetState() const
{
    std::lock_guard<std::mutex> lock(World().mutex);
    return m_state->signalled;
}

void CEvent::Wait() { Wait(*this); }

void CEvent::Wait(float seconds) { Wait(seconds, *this); }

void CEvent::Wait(CEvent& event) { WaitList(L"morvane::CEvent::Wait", {&event}, false, std::nullopt); }

void CEvent::Wait(float seconds, CEvent& event) { WaitList(L"morvane::CEvent::Wait", {&event}, false, seconds); }

int CEvent::WaitOne(int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    return WaitList(L"morvane::CEvent::WaitOne", std::move(events), false, std::nullopt);
}

int CEvent::WaitOne(float seconds, int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    return WaitList(L"morvane::CEvent::WaitOne", std::move(events), false, seconds);
}

void CEvent::WaitAll(int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    WaitList(L"morvane::CEvent::WaitAll", std::move(events), true, std::nullopt);
}

void CEvent::WaitAll(float seconds, int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    WaitList(L"morvane::CEvent::WaitAll", std::move(events), true, seconds);
}

unsigned int CEvent::WaitAsync(TAsyncCallback callback, void* user) { return WaitAsync(callback, user, *this); }

unsigned int CEvent::WaitAsync(TAsyncCallback callback, void* user, CEvent& event)
{
    const wchar_t* method = L"morvane::CEvent::WaitAsync";
    return StartAsync(method, callback, user, false, MakeList(method, {&event}));
}

unsigned int CEvent::WaitOneAsync(TAsyncCallback callback, void* user, int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    const wchar_t* method = L"morvane::CEvent::WaitOneAsync";
    return StartAsync(method, callback, user, false, MakeList(method, std::move(events)));
}

unsigned int CEvent::WaitAllAsync(TAsyncCallback callback, void* user, int count, ...)
{
    va_list args;
    va_start(args, count);
    std::vector<CEvent*> events = ReadEvents(count, args);
    va_end(args);
    const wchar_t* method = L"morvane::CEvent::WaitAllAsync";
    return StartAsync(method, callback, user, true, MakeList(method, std::move(events)));
}

bool CEvent::StopAsync(unsigned int id)
{
    return StopWhere([id](const TAsyncWait& wait) { return wait.id == id; }, true) > 0;
}

bool CEvent::StopAsync(TAsyncCallback callback)
{
    return StopWhere([callback](const TAsyncWait& wait) { return wait.callback == callback; }, true) > 0;
}

} // namespace morvane
