#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/system/CReadWriteLock.h"
#include "support/TestSupport.h"

using namespace morvane;
using namespace std::chrono_literals;
using tonvik_test::CMessageBoxCapture;

namespace {

void ExpectBug(const std::function<void()>& call, const wchar_t* reason)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const CBugException& e) {
        EXPECT_STREQ(e.GetReason(), reason);
        EXPECT_STREQ(e.GetMethod(), L"morvane::CBinaryLock::~CBinaryLock");
    }
}

// Runs body on a new thread; the future is ready once body returned.
std::future<void> Start(std::function<void()> body, std::thread& thread)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    thread = std::thread([body = std::move(body), done] {
        body();
        done->set_value();
    });
    return finished;
}

bool Ready(std::future<void>& finished) { return finished.wait_for(10s) == std::future_status::ready; }

} // namespace

TEST(CoreBinaryLock, NestedLocksNeedAsManyUnlocks)
{
    CMessageBoxCapture boxes;
    CBinaryLock lock;
    lock.Lock();
    lock.Lock();
    lock.Lock();
    lock.Unlock();
    lock.Unlock();
    lock.Unlock();
    ExpectBug([&] { lock.Unlock(); }, L"Not locked");
    // Free again: another thread takes it at once.
    std::thread other;
    std::future<void> finished = Start([&] {
        lock.Lock();
        lock.Unlock();
    }, other);
    EXPECT_TRUE(Ready(finished));
    other.join();
}

TEST(CoreBinaryLock, OnlyTheOwnerUnlocks)
{
    CMessageBoxCapture boxes;
    CBinaryLock lock;
    lock.Lock();
    std::thread other([&] { ExpectBug([&] { lock.Unlock(); }, L"Locked in another thread"); });
    other.join();
    lock.Unlock();
    EXPECT_EQ(boxes.Texts().size(), 1u);
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

TEST(CoreBinaryLock, DestroyingAHeldLockIsReported)
{
    CMessageBoxCapture boxes;
    auto* lock = new CBinaryLock;
    lock->Lock();
    delete lock;
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(L"reason=Still locked"), std::wstring::npos);
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
    lock.Lock(1, 3);
    EXPECT_EQ(lock.GetLockMode(), 1u);
    lock.Unlock();
    lock.Unlock();
    EXPECT_EQ(lock.GetLockMode(), 2u);
    EXPECT_EQ(lock.GetParam(), 7u);
    lock.Unlock();
}

TEST(CoreReadWriteLock, MisuseShowsAMessageBoxOnly)
{
    CMessageBoxCapture boxes;
    CReadWriteLock lock;
    lock.Unlock();
    EXPECT_EQ(lock.GetLockMode(), 0u);
    EXPECT_EQ(lock.GetParam(), 0u);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"[morvane::TReadWriteLockData::Unlock] Not locked!",
                                                          L"[morvane::TReadWriteLockData::GetLockMode] Not locked!",
                                                          L"[morvane::TReadWriteLockData::GetLockMode] Not locked!"}));
    // Still usable.
    lock.Lock(LOCK_MODE_READ, 0);
    lock.Unlock();
}

TEST(CoreReadWriteLock, ReaderWaitsForTheWriter)
{
    CReadWriteLock lock;
    lock.Lock(1, 0);
    std::atomic<bool> granted{false}, asking{false};
    std::thread reader([&] {
        asking = true;
        lock.Lock(LOCK_MODE_READ, 0);
        granted = true;
        lock.Unlock();
    });
    while (!asking)
        std::this_thread::yield();
    std::this_thread::sleep_for(50ms);
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
    auto note = [&](const char* what) {
        std::lock_guard<std::mutex> guard(logMutex);
        log.push_back(what);
    };

    // Each thread says when it is about to ask; a little later it is waiting.
    auto settle = [](std::atomic<bool>& asking) {
        while (!asking)
            std::this_thread::yield();
        std::this_thread::sleep_for(50ms);
    };
    std::atomic<bool> writerAsks{false}, readerAsks{false};
    lock.Lock(LOCK_MODE_READ, 0);
    std::thread writer([&] {
        writerAsks = true;
        lock.Lock(1, 0);
        note("writer");
        lock.Unlock();
    });
    settle(writerAsks);
    std::thread reader([&] {
        readerAsks = true;
        lock.Lock(LOCK_MODE_READ, 0);
        note("reader");
        lock.Unlock();
    });
    settle(readerAsks);
    // This thread already reads: it is never blocked, even with a writer
    // waiting (were it blocked, the test would hang here).
    lock.Lock(LOCK_MODE_READ, 1);
    EXPECT_EQ(lock.GetParam(), 1u);
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
    std::atomic<int> writing{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> arrived{0};
    auto upgrader = [&] {
        for (int round = 0; round < 20; ++round) {
            lock.Lock(LOCK_MODE_READ, 0);
            ++arrived;
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

TEST(CoreReadWriteLock, ReadersShareTheLock)
{
    CReadWriteLock lock;
    std::atomic<int> inside{0};
    std::atomic<bool> met{false};
    auto reader = [&] {
        lock.Lock(LOCK_MODE_READ, 0);
        if (++inside == 2)
            met = true;
        // Both meet inside only if neither waits for the other to leave.
        const auto give_up = std::chrono::steady_clock::now() + 5s;
        while (!met && std::chrono::steady_clock::now() < give_up)
            std::this_thread::yield();
        lock.Unlock();
    };
    std::thread first, second;
    std::future<void> a = Start(reader, first);
    std::future<void> b = Start(reader, second);
    EXPECT_TRUE(Ready(a));
    EXPECT_TRUE(Ready(b));
    first.join();
    second.join();
    EXPECT_TRUE(met);
}
