#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "morvane/api/CException.h"
#include "morvane/api/IObject.h"
#include "support/ExpectThrow.h"

namespace core_test {

using tonvik_test::ExpectThrow;

// The current reference count, read through the two counting operations.
inline int RefCount(morvane::IObject* object)
{
    object->AddRef();
    return object->Release();
}

// Runs body on a thread of its own; true when it finished within ten seconds.
// A body that does not finish (blocked on a lock that stays taken) is left
// running, so that the test fails instead of hanging.
inline bool FinishesOnThread(std::function<void()> body)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread thread([body = std::move(body), done] {
        body();
        done->set_value();
    });
    if (finished.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        thread.detach();
        return false;
    }
    thread.join();
    return true;
}

} // namespace core_test
