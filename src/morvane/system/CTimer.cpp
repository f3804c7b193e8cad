#include "morvane/system/CTimer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"

namespace morvane {

struct TTimerCell {
    float period;
    bool running = false; // guarded by the pool's start/stop lock
};

namespace {

using TClock = std::chrono::steady_clock;

struct TTimerEntry {
    CTimer* timer;
    long long periodMs;
    long long leftMs;
};

// Periods in whole milliseconds, at least one tick.
long long PeriodMs(float seconds)
{
    // Float arithmetic, as callers expect: 0.02f * 1000 is 20, not 19.999.
    const double ms = static_cast<double>(seconds * 1000.0f);
    if (!(ms >= 1.0))
        return 1;
    return ms >= 2147483647.0 ? 2147483647LL : static_cast<long long>(ms);
}

// Set once the process-wide pool is gone (static destruction); a timer
// destroyed later must not reach it. Trivially destructible, so it outlives
// the pool.
std::atomic<bool> g_poolGone{false};

// Counts every running timer down once per millisecond on one thread, which
// runs while at least one timer runs. The thread sleeps until absolute
// millisecond deadlines and counts the ticks that really passed, so the
// timers keep their phase when the thread wakes late.
class CTimerPool {
public:
    CTimerPool() = default;
    CTimerPool(const CTimerPool&) = delete;
    CTimerPool& operator=(const CTimerPool&) = delete;

    ~CTimerPool()
    {
        bool alive = false;
        std::thread finished;
        {
            std::lock_guard<std::mutex> startStop(m_startStop);
            std::lock_guard<std::mutex> array(m_array);
            alive = !m_entries.empty();
            m_entries.clear();
            m_stop = true;
            m_wake.notify_all();
            finished = std::move(m_thread);
        }
        if (finished.joinable())
            finished.join();
        g_poolGone = true;
        if (alive)
            MRV_REPORT_BUG(L"morvane::CTimerPool::~CTimerPool", L"Timers still alive!");
    }

    void Start(CTimer* timer, TTimerCell& cell)
    {
        std::lock_guard<std::mutex> startStop(m_startStop);
        if (cell.running)
            return;
        const long long period = PeriodMs(cell.period);
        std::lock_guard<std::mutex> array(m_array);
        if (!m_thread.joinable()) {
            m_base = TClock::now();
            m_ticks = 0;
            m_stop = false;
            m_entries.push_back({timer, period, period});
            try {
                // The thread waits for the array lock before its first tick.
                m_thread = std::thread(&CTimerPool::Run, this);
            } catch (...) {
                m_entries.pop_back();
                throw;
            }
        } else {
            // Ticks that passed since the thread last counted belong to the
            // timers already running, not to this one.
            const long long behind = TicksNow() - m_ticks;
            m_entries.push_back({timer, period, period + (behind > 0 ? behind : 0)});
        }
        cell.running = true;
    }

    void Stop(CTimer* timer, TTimerCell& cell)
    {
        std::lock_guard<std::mutex> startStop(m_startStop);
        if (!cell.running)
            return;
        cell.running = false;
        std::thread finished;
        {
            std::lock_guard<std::mutex> array(m_array);
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
                if (it->timer == timer) {
                    m_entries.erase(it);
                    break;
                }
            if (m_entries.empty()) {
                m_stop = true;
                m_wake.notify_all();
                finished = std::move(m_thread);
            }
        }
        // Still under the start/stop lock: a Start that follows finds no thread.
        if (finished.joinable())
            finished.join();
    }

private:
    long long TicksNow() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - m_base).count();
    }

    void Run()
    {
        std::unique_lock<std::mutex> lock(m_array);
        for (;;) {
            const TClock::time_point next = m_base + std::chrono::milliseconds(m_ticks + 1);
            if (m_wake.wait_until(lock, next, [this] { return m_stop; }))
                break;
            const long long now = TicksNow();
            const long long passed = now - m_ticks;
            if (passed <= 0)
                continue;
            m_ticks = now;
            for (TTimerEntry& entry : m_entries) {
                entry.leftMs -= passed;
                if (entry.leftMs > 0)
                    continue;
                entry.timer->SetState(true);
                // One signal however many periods were missed; the count
                // goes on in phase with the timer's start.
                entry.leftMs += (-entry.leftMs / entry.periodMs + 1) * entry.periodMs;
            }
        }
    }

    std::mutex m_startStop; // serialises Start and Stop; taken before m_array
    std::mutex m_array;     // guards everything below
    std::condition_variable m_wake;
    std::vector<TTimerEntry> m_entries;
    bool m_stop = false;
    std::thread m_thread;
    TClock::time_point m_base;
    long long m_ticks = 0; // milliseconds counted since m_base
};

CTimerPool& Pool()
{
    static CTimerPool pool;
    return pool;
}

} // namespace

CTimer::CTimer(float periodSeconds) : m_cell(new TTimerCell{periodSeconds}) {}

CTimer::~CTimer()
{
    try {
        Stop();
    } catch (...) {
        MRV_REPORT_BUG(L"morvane::CTimer::~CTimer", L"Cannot stop the timer");
    }
    delete m_cell;
}

void CTimer::Start()
{
    if (!g_poolGone)
        Pool().Start(this, *m_cell);
}

void CTimer::Stop()
{
    if (!g_poolGone)
        Pool().Stop(this, *m_cell);
}

} // namespace morvane
