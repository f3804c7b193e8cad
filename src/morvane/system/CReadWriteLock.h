#pragma once
#include "morvane/api/CClassObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

// 0 is a shared (read) lock; every other value is exclusive and is kept as
// given, so callers can tell kinds of writing apart.
using TLockMode = unsigned int;
constexpr TLockMode LOCK_MODE_READ = 0;

struct TReadWriteLockData;

// Recursive reader/writer lock. Each thread keeps a stack of the modes and
// caller values it locked with. A thread that holds any level never waits for
// more reads; writers are preferred over new readers; a reader may upgrade to
// a writer once the other readers are gone.
class MORVANE_API CReadWriteLock : public CClassObject {
public:
    CReadWriteLock();
    CReadWriteLock(const CReadWriteLock&) = delete;
    CReadWriteLock& operator=(const CReadWriteLock&) = delete;
    ~CReadWriteLock() override;

    void Lock(TLockMode mode, unsigned int param);
    // Releases the calling thread's innermost level.
    void Unlock();
    // The innermost level of the calling thread; 0 (with a message box) when it holds none.
    TLockMode GetLockMode() const;
    unsigned int GetParam() const;
    // Threads blocked in Lock at this moment: lets a test know that a thread
    // is waiting, rather than guess it from the time that passed.
    int WaitingThreads() const;

private:
    TReadWriteLockData* m_data;
};

} // namespace morvane
