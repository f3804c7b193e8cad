// main() of test programs that need the framework open: q.Init() before the
// first test, q.Close() after the last.
#include <gtest/gtest.h>

#include "morvane/api/CMorvane.h"

namespace {

class CFrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override { morvane::q.Init(); }
    void TearDown() override { morvane::q.Close(); }
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new CFrameworkEnvironment);
    return RUN_ALL_TESTS();
}
