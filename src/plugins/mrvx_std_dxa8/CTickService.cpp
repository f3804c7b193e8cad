#include "CTickService.h"

#include <algorithm>

#include "CEventSet.h"
#include "morvane/api/CException.h"

namespace mrvx_std_dxa8 {

CTickService::~CTickService()
{
    std::lock_guard<std::mutex> startStop(m_startStopMutex);
    {
        std::lock_guard<std::mutex> guard(m_listMutex);
        if (!m_entries.empty())
            MRV_REPORT_BUG(L"mrvx_std_dxa8::CTickService::~CTickService", L"Events still registered");
        m_entries.clear();
    }
    StopThread();
}

CTickService& CTickService::Shared40ms()
{
    static CTickService service(std::chrono::milliseconds(40));
    return service;
}

CTickService& CTickService::Shared5ms()
{
    static CTickService service(std::chrono::milliseconds(5));
    return service;
}

void CTickService::Register(CEventSet* events, unsigned bits)
{
    std::lock_guard<std::mutex> startStop(m_startStopMutex);
    {
        std::lock_guard<std::mutex> guard(m_listMutex);
        m_entries.push_back({events, bits});
        if (m_thread.joinable())
            return;
        m_stopRequested = false;
    }
    m_thread = std::thread(&CTickService::Run, this);
}

void CTickService::Unregister(CEventSet* events, unsigned bits)
{
    std::lock_guard<std::mutex> startStop(m_startStopMutex);
    {
        std::lock_guard<std::mutex> guard(m_listMutex);
        auto it = std::find_if(m_entries.begin(), m_entries.end(),
                               [&](const TEntry& e) { return e.events == events && e.bits == bits; });
        if (it != m_entries.end())
            m_entries.erase(it);
        if (!m_entries.empty())
            return;
    }
    StopThread();
}

bool CTickService::IsRunning() const
{
    std::lock_guard<std::mutex> guard(m_listMutex);
    return !m_entries.empty();
}

void CTickService::StopThread()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(m_listMutex);
        m_stopRequested = true;
    }
    m_stopCv.notify_all();
    m_thread.join();
}

void CTickService::Run()
{
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(m_listMutex);
    for (;;) {
        next += m_period;
        if (m_stopCv.wait_until(lock, next, [this] { return m_stopRequested; }))
            return;
        // A late wake-up (a loaded machine) skips the ticks it missed rather
        // than firing them in a burst.
        auto now = std::chrono::steady_clock::now();
        if (now - next > m_period)
            next = now;
        for (const TEntry& entry : m_entries)
            entry.events->Set(entry.bits);
    }
}

} // namespace mrvx_std_dxa8
