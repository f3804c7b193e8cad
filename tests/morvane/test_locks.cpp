#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/system/CReadWriteLock.h"
#include "core_expect.h"
#include "support/TestSupport.h"

using namespace morvane;
using namespace std::chrono_literals;
using tonvik_test::CMessageBoxCapture;

namespace {

void ExpectBug(const std::function<void()>& call, const wchar_t* reason)
{
    // Both reports name the destructor.
    core_test::ExpectThrow<CBugException>(call, L"morvane::CBinaryLock::~CBinaryLock", reason);
}

// Waits until count threads are blocked in the lock.
void Settle(const CReadWriteLock& lock, int count)
{
    while (lock.WaitingThreads() < count)
        std::this_thread::sleep_for(1ms);
}

} // namespace

TEST(CoreBinaryLock, NestedLocksNeedAsManyUnlocks)
{
    CMessageBoxCapture boxes;
    CBinaryLock lock;
    for (int i = 0; i < 3; ++i)
        lock.Lock();
    for (int i = 0; i < 3; ++i)
        lock.Unlock();
    ExpectBug([&] { lock.Unlock(); }, L"Not locked");
    // Free again: another thread takes it at once.
    EXPECT_TRUE(core_test::FinishesOnThread([&] { CAutoLock<CBinaryLock> guard(lock); }));
}

TEST(CoreBinaryLock, OnlyTheOwnerUnlocksAndDestroyingItHeldIsReported)
{
    CMessageBoxCapture boxes;
    auto* lock = new CBinaryLock;
    lock->Lock();
    std::thread other([&] { ExpectBug([&] { lock->Unlock(); }, L"Locked in another thread"); });
    other.join();
    delete lock;
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_NE(boxes.Texts()[1].find(L"reason=Still locked"), std::wstring::npos);
}

TEST(CoreBinaryLock, ExcludesOtherThreads)
{
    CBinaryLock lock;
    long counter = 0; // plain on purpose: only the lock protects it
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            CAutoLock<CBinaryLock> outer(lock);
            CAutoLock<CBinaryLock> inner(lock);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}

TEST(CoreReadWriteLock, RemembersModeAndParamPerLevel)
{
    CReadWriteLock lock;
    lock.Lock(2, 7);
    EXPECT_EQ(lock.GetLockMode(), 2u);
    EXPECT_EQ(lock.GetParam(), 7u);
    lock.Lock(LOCK_MODE_READ, 9); // a read inside the write is granted at once
    EXPECT_EQ(lock.GetLockMode(), LOCK_MODE_READ);
    EXPECT_EQ(lock.GetParam(), 9u);
    lock.Unlock();
    EXPECT_EQ(lock.GetLockMode(), 2u);
    EXPECT_EQ(lock.GetParam(), 7u);
    lock.Unlock();

    CMessageBoxCapture boxes; // misuse shows a message box and changes nothing
    lock.Unlock();
    EXPECT_EQ(lock.GetLockMode(), 0u);
    EXPECT_EQ(lock.GetParam(), 0u);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"[morvane::TReadWriteLockData::Unlock] Not locked!",
                                                          L"[morvane::TReadWriteLockData::GetLockMode] Not locked!",
                                                          L"[morvane::TReadWriteLockData::GetLockMode] Not locked!"}));
}

TEST(CoreReadWriteLock, ReaderWaitsForTheWriter)
{
    CReadWriteLock lock;
    lock.Lock(1, 0);
    std::atomic<bool> granted{false};
    std::thread reader([&] {
        lock.Lock(LOCK_MODE_READ, 0);
        granted = true;
        lock.Unlock();
    });
    Settle(lock, 1);
    EXPECT_FALSE(granted);
    lock.Unlock();
    reader.join();
    EXPECT_TRUE(granted);
}

TEST(CoreReadWriteLock, WritersGoBeforeNewReadersButNotBeforeNestedReads)
{
    CReadWriteLock lock;
    std::mutex logMutex;
    std::vector<std::string> log;
    auto run = [&](TLockMode mode, const char* who) {
        return std::thread([&, mode, who] {
            lock.Lock(mode, 0);
            {
                std::lock_guard<std::mutex> guard(logMutex);
                log.push_back(who);
            }
            lock.Unlock();
        });
    };
    lock.Lock(LOCK_MODE_READ, 0);
    std::thread writer = run(1, "writer");
    Settle(lock, 1);
    std::thread reader = run(LOCK_MODE_READ, "reader");
    Settle(lock, 2);
    // This thread already reads, so it is never blocked, even with a writer
    // waiting (were it blocked, the test would hang here).
    lock.Lock(LOCK_MODE_READ, 1);
    lock.Unlock();
    {
        std::lock_guard<std::mutex> guard(logMutex);
        EXPECT_TRUE(log.empty());
    }
    lock.Unlock();
    writer.join();
    reader.join();
    EXPECT_EQ(log, (std::vector<std::string>{"writer", "reader"}));
}

TEST(CoreReadWriteLock, UpgradingReadersNeverWriteTogether)
{
    CReadWriteLock lock;
    std::atomic<int> writing{0}, overlaps{0}, arrived{0};
    auto upgrader = [&] {
        for (int round = 0; round < 20; ++round) {
            lock.Lock(LOCK_MODE_READ, 0);
            ++arrived; // both hold a read at once before either upgrades
            while (arrived.load() < 2 * (round + 1))
                std::this_thread::yield();
            lock.Lock(2, 0);
            if (++writing > 1)
                ++overlaps;
            std::this_thread::sleep_for(1ms);
            --writing;
            lock.Unlock();
            EXPECT_EQ(lock.GetLockMode(), LOCK_MODE_READ);
            lock.Unlock();
        }
    };
    std::thread a(upgrader), b(upgrader);
    a.join();
    b.join();
    EXPECT_EQ(overlaps, 0);
}
