#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace mrvx_std_dxa8 {

class CEventSet;

// A timer thread that sets every registered event on each tick. The thread
// runs while at least one event is registered: it starts with the first
// registration and stops when the last one goes.
class CTickService {
public:
    explicit CTickService(std::chrono::milliseconds period) : m_period(period) {}
    ~CTickService();
    CTickService(const CTickService&) = delete;
    CTickService& operator=(const CTickService&) = delete;

    void Register(CEventSet* events, unsigned bits);
    void Unregister(CEventSet* events, unsigned bits);

    std::chrono::milliseconds Period() const { return m_period; }
    bool IsRunning() const;

    // The two services that all buffers share.
    static CTickService& Shared40ms();
    static CTickService& Shared5ms();

private:
    struct TEntry {
        CEventSet* events;
        unsigned bits;
    };

    void Run();
    void StopThread();

    const std::chrono::milliseconds m_period;
    std::mutex m_startStopMutex; // taken first: serialises starting and stopping the thread
    mutable std::mutex m_listMutex;
    std::condition_variable m_stopCv;
    bool m_stopRequested = false;
    std::vector<TEntry> m_entries;
    std::thread m_thread;
};

} // namespace mrvx_std_dxa8
