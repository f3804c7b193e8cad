#pragma once
#include "morvane/api/CClassObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

struct TBinaryLockData;

// Recursive mutual exclusion that knows its owner thread: the owner may lock
// again and must unlock as often as it locked.
class MORVANE_API CBinaryLock : public CClassObject {
public:
    CBinaryLock();
    CBinaryLock(const CBinaryLock&) = delete;
    CBinaryLock& operator=(const CBinaryLock&) = delete;
    ~CBinaryLock() override;

    void Lock();
    // CBugException "Not locked" or "Locked in another thread" on misuse.
    void Unlock();

private:
    TBinaryLockData* m_data;
};

// Holds a lock for the scope: locks in the constructor, unlocks in the destructor.
template <class TLock>
class CAutoLock {
public:
    explicit CAutoLock(TLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CAutoLock() { m_lock.Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    TLock& m_lock;
};

} // namespace morvane
