#include "morvane/system/CBinaryLock.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "morvane/api/CException.h"

namespace morvane {

struct TBinaryLockData {
    std::mutex mutex;
    // Read without the mutex only to recognise the owner's own nested Lock;
    // every change is made by the owning thread.
    std::atomic<std::thread::id> owner{};
    std::atomic<int> count{0};
};

CBinaryLock::CBinaryLock() : m_data(new TBinaryLockData) {}

CBinaryLock::~CBinaryLock()
{
    if (m_data->count.load() >= 1) {
        MRV_REPORT_BUG(L"morvane::CBinaryLock::~CBinaryLock", L"Still locked");
        if (m_data->owner.load() == std::this_thread::get_id())
            m_data->mutex.unlock();
        else
            return; // another thread still holds it: leak rather than destroy a held mutex
    }
    delete m_data;
}

void CBinaryLock::Lock()
{
    const std::thread::id self = std::this_thread::get_id();
    if (m_data->count.load() > 0 && m_data->owner.load() == self) {
        m_data->count.fetch_add(1);
        return;
    }
    m_data->mutex.lock();
    m_data->owner.store(self);
    m_data->count.store(1);
}

void CBinaryLock::Unlock()
{
    if (m_data->count.load() == 0)
        MRV_THROW(CBugException, L"morvane::CBinaryLock::~CBinaryLock", L"Not locked");
    if (m_data->owner.load() != std::this_thread::get_id())
        MRV_THROW(CBugException, L"morvane::CBinaryLock::~CBinaryLock", L"Locked in another thread");
    if (m_data->count.fetch_sub(1) == 1) {
        m_data->owner.store(std::thread::id());
        m_data->mutex.unlock();
    }
}

} // namespace morvane
