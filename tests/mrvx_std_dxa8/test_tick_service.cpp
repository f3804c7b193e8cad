#include <gtest/gtest.h>

#include "CEventSet.h"
#include "CTickService.h"
#include "DxTestHelpers.h"

using namespace mrvx_std_dxa8;
using namespace dxa8_test;

namespace {

TEST(TickServiceTest, TicksEveryRegisteredEventWhileAnyIsRegistered)
{
    CTickService service(std::chrono::milliseconds(10));
    CEventSet a, b;
    EXPECT_FALSE(service.IsRunning());
    service.Register(&a, 1);
    service.Register(&b, 4);
    EXPECT_TRUE(service.IsRunning());

    auto start = TClock::now();
    int ticks = 0;
    while (SecondsSince(start) < 0.2) {
        ASSERT_EQ(a.WaitAnyFor(1, 200ms), 1u);
        a.Reset(1);
        ++ticks;
    }
    // Twenty ticks in 0.2 s; a busy machine (or a sanitizer) may lose some,
    // but ticks never come faster than the period.
    EXPECT_GE(ticks, 8);
    EXPECT_LE(ticks, 22);
    EXPECT_EQ(b.WaitAnyFor(4, 50ms), 4u);

    service.Unregister(&a, 1);
    EXPECT_TRUE(service.IsRunning());
    service.Unregister(&b, 4);
    EXPECT_FALSE(service.IsRunning());
    a.Reset(1);
    EXPECT_EQ(a.WaitAnyFor(1, 40ms), 0u);

    // It starts again with the next registration.
    service.Register(&a, 1);
    EXPECT_EQ(a.WaitAnyFor(1, 200ms), 1u);
    service.Unregister(&a, 1);
}

} // namespace
