#include "morvane/system/CReadWriteLock.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "morvane/api/CDebug.h"

namespace morvane {

namespace {

struct TThreadEntry {
    int readCount = 0;
    int writeCount = 0;
    std::vector<std::pair<TLockMode, unsigned int>> levels; // one push per Lock
};

} // namespace

struct TReadWriteLockData {
    std::mutex dataMutex;
    std::condition_variable changed;
    int readerThreads = 0;  // threads holding reads and no write
    int writers = 0;        // threads holding or waiting for the write lock
    bool writerHeld = false; // the writer's exclusion: one writing thread at a time
    int waiting = 0;         // threads blocked in Lock
    std::map<std::thread::id, TThreadEntry> threads;

    template <class TReady>
    void Wait(std::unique_lock<std::mutex>& guard, TReady ready)
    {
        if (ready())
            return;
        ++waiting;
        changed.wait(guard, ready);
        --waiting;
    }

    // Waits for the writer's exclusion and for the other readers to leave.
    void AcquireWriter(std::unique_lock<std::mutex>& guard)
    {
        Wait(guard, [this] { return readerThreads == 0 && !writerHeld; });
        writerHeld = true;
    }
};

CReadWriteLock::CReadWriteLock() : m_data(new TReadWriteLockData) {}

CReadWriteLock::~CReadWriteLock() { delete m_data; }

void CReadWriteLock::Lock(TLockMode mode, unsigned int param)
{
    TReadWriteLockData& d = *m_data;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(d.dataMutex);
    auto it = d.threads.find(self);

    if (mode == LOCK_MODE_READ) {
        if (it == d.threads.end()) {
            // A new reader waits while any thread holds or waits for the write lock.
            d.Wait(guard, [&d] { return d.writers == 0; });
            it = d.threads.emplace(self, TThreadEntry()).first;
            ++d.readerThreads;
        }
        ++it->second.readCount;
        it->second.levels.emplace_back(mode, param);
        return;
    }

    if (it == d.threads.end()) {
        ++d.writers;
        d.AcquireWriter(guard);
        it = d.threads.emplace(self, TThreadEntry()).first;
    } else if (it->second.writeCount == 0) {
        // A reader upgrading: it stops counting as a reader and takes the
        // writer's exclusion like any new writer before its write counts.
        --d.readerThreads;
        ++d.writers;
        d.changed.notify_all();
        d.AcquireWriter(guard);
        it = d.threads.find(self);
    }
    ++it->second.writeCount;
    it->second.levels.emplace_back(mode, param);
}

void CReadWriteLock::Unlock()
{
    TReadWriteLockData& d = *m_data;
    std::unique_lock<std::mutex> guard(d.dataMutex);
    auto it = d.threads.find(std::this_thread::get_id());
    if (it == d.threads.end()) {
        guard.unlock();
        CDebug::PrintMessage(DEBUG_MESSAGE_BOX, L"[morvane::TReadWriteLockData::Unlock] Not locked!");
        return;
    }
    TThreadEntry& entry = it->second;
    const TLockMode mode = entry.levels.back().first;
    entry.levels.pop_back();
    if (mode != LOCK_MODE_READ) {
        if (--entry.writeCount == 0) {
            d.writerHeld = false;
            --d.writers;
            if (entry.readCount == 0)
                d.threads.erase(it);
            else
                ++d.readerThreads; // back to being a reader
        }
    } else if (--entry.readCount == 0 && entry.writeCount == 0) {
        --d.readerThreads;
        d.threads.erase(it);
    }
    d.changed.notify_all();
}

namespace {

// The calling thread's innermost level; a thread without locks gets 0 and 0
// after the message box (one text for both callers).
std::pair<TLockMode, unsigned int> Innermost(TReadWriteLockData& d)
{
    {
        std::lock_guard<std::mutex> guard(d.dataMutex);
        auto it = d.threads.find(std::this_thread::get_id());
        if (it != d.threads.end())
            return it->second.levels.back();
    }
    CDebug::PrintMessage(DEBUG_MESSAGE_BOX, L"[morvane::TReadWriteLockData::GetLockMode] Not locked!");
    return {0, 0};
}

} // namespace

TLockMode CReadWriteLock::GetLockMode() const { return Innermost(*m_data).first; }

int CReadWriteLock::WaitingThreads() const
{
    std::lock_guard<std::mutex> guard(m_data->dataMutex);
    return m_data->waiting;
}

unsigned int CReadWriteLock::GetParam() const { return Innermost(*m_data).second; }

} // namespace morvane
