#pragma once
#include <gtest/gtest.h>

#include "morvane/api/CException.h"
#include "morvane/api/IObject.h"

namespace core_test {

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

// The current reference count, read through the two counting operations.
inline int RefCount(morvane::IObject* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace core_test
