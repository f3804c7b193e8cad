#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace mrvx_std_dxa8 {

// A handful of manual-reset events, one bit each, that a thread can wait on
// together (a tick or a stop request, whichever comes first).
class CEventSet {
public:
    void Set(unsigned bits)
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_bits |= bits;
        }
        m_cv.notify_all();
    }

    void Reset(unsigned bits)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_bits &= ~bits;
    }

    bool IsSet(unsigned bits) const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return (m_bits & bits) != 0;
    }

    // The bits of mask that are set, once at least one is.
    unsigned WaitAny(unsigned mask)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return (m_bits & mask) != 0; });
        return m_bits & mask;
    }

    // Returns once every bit of mask is set.
    void WaitAll(unsigned mask)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return (m_bits & mask) == mask; });
    }

    // As WaitAny; 0 when the time ran out first.
    template <class Rep, class Period>
    unsigned WaitAnyFor(unsigned mask, std::chrono::duration<Rep, Period> timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, timeout, [&] { return (m_bits & mask) != 0; });
        return m_bits & mask;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_bits = 0;
};

} // namespace mrvx_std_dxa8
