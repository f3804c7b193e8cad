#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "morvane/api/CException.h"
#include "support/ExpectThrow.h"

namespace dxa8_test {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// How far the heard time may stray from the wall clock in a test: a chunk of
// the output, a tick of the refill, and a busy machine's late wake-ups.
constexpr double kTimeSlack = 0.12;

// The reason of the CException that fn throws, or "(no exception)".
inline std::wstring ReasonOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const morvane::CException& e) {
        return e.GetReason();
    }
    return L"(no exception)";
}

using tonvik_test::ExpectThrow;

inline double SecondsSince(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// Polls pred every 2 ms until it holds or the time runs out.
inline bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    auto until = TClock::now() + timeout;
    while (!pred()) {
        if (TClock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

} // namespace dxa8_test
