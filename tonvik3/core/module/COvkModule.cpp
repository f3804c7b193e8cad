#include "core/module/COvkModule.h"

#include <mutex>

namespace ovk {

namespace {

std::mutex& HookMutex()
{
    static std::mutex mutex;
    return mutex;
}

COvkModule::TModifiedHook& Hook()
{
    static COvkModule::TModifiedHook hook;
    return hook;
}

// The write modes that count as a change.
constexpr morvane::TLockMode kWriteModeFirst = 1;
constexpr morvane::TLockMode kWriteModeLast = kSongWrite;

} // namespace

COvkModule::TModifiedHook COvkModule::SetModifiedHook(TModifiedHook hook)
{
    std::lock_guard<std::mutex> guard(HookMutex());
    std::swap(Hook(), hook);
    return hook;
}

COvkModule::COvkModule() : CObjectImpl(clsid::COvkModule) {}

COvkModuleData* COvkModule::Lock(morvane::TLockMode mode)
{
    m_lock.Lock(mode, 0);
    return &m_data;
}

void COvkModule::Unlock()
{
    const morvane::TLockMode mode = m_lock.GetLockMode();
    const bool change = mode >= kWriteModeFirst && mode <= kWriteModeLast;
    // Counted before the release: a player waiting for the lock must find the
    // counter moved when it gets the lock, or it renders its block unsynchronised.
    if (change)
        m_changeCount.fetch_add(1, std::memory_order_acq_rel);
    m_lock.Unlock();
    if (!change)
        return;
    TModifiedHook hook;
    {
        std::lock_guard<std::mutex> guard(HookMutex());
        hook = Hook();
    }
    if (hook)
        hook(this);
}

std::uint32_t COvkModule::GetChangeCount() { return m_changeCount.load(std::memory_order_acquire); }

morvane::IObject* COvkModule::FindInterface(const morvane::CId& interfaceId)
{
    return AnswerFor<IOvkModule>(this, interfaceId);
}

} // namespace ovk
