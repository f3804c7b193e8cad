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
    // The service's thread starts with the first registration and the k-th
    // tick comes at the earliest k periods later: the tenth one seen comes at
    // least ten periods after this. (A late tick may be followed sooner than a
    // period by the next, and a busy machine makes them late: the wait is
    // only bounded against a hang.)
    const auto start = TClock::now();
    service.Register(&a, 1);
    service.Register(&b, 4);
    EXPECT_TRUE(service.IsRunning());
    for (int ticks = 0; ticks < 10; ++ticks) {
        ASSERT_EQ(a.WaitAnyFor(1, 10000ms), 1u);
        a.Reset(1);
    }
    EXPECT_GE(SecondsSince(start), 0.099);
    EXPECT_EQ(b.WaitAnyFor(4, 10000ms), 4u);

    service.Unregister(&a, 1);
    EXPECT_TRUE(service.IsRunning());
    service.Unregister(&b, 4);
    EXPECT_FALSE(service.IsRunning());
    a.Reset(1);
    EXPECT_EQ(a.WaitAnyFor(1, 40ms), 0u);

    // It starts again with the next registration.
    service.Register(&a, 1);
    EXPECT_EQ(a.WaitAnyFor(1, 10000ms), 1u);
    service.Unregister(&a, 1);
}

} // namespace
