#pragma once
#include <gtest/gtest.h>

namespace tonvik_test {

// Runs call and checks that it throws E with this method (unless null) and reason.
template <class E, class Call>
void ExpectThrow(Call&& call, const wchar_t* method, const wchar_t* reason)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const E& e) {
        if (method) {
            EXPECT_STREQ(e.GetMethod(), method);
        }
        EXPECT_STREQ(e.GetReason(), reason);
    }
}

} // namespace tonvik_test
