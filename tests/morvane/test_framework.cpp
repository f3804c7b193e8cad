// The framework object's lifecycle. This program opens and closes q itself,
// and runs from a folder that holds mrvt_refuse, with mrvt_good in its
// plugins/ subfolder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/api/Utf.h"
#include "support/TestSupport.h"

using namespace morvane;
using tonvik_test::CDiagnosticCapture;
using tonvik_test::CMessageBoxCapture;

namespace {

IObject* MakeObject() { return (new CObject)->AsObject(); }

std::wstring AppFolder() { return utf::FromUtf8(std::string(MRVT_PLUGINS) + "/app"); }

bool AllClosed()
{
    return !q.IsInitialized() && !q.classStore.IsOpen() && !q.codecStore.IsOpen() && !q.deviceStore.IsOpen();
}

} // namespace

TEST(CoreFramework, CloseWithoutInitDoesNothing)
{
    CMessageBoxCapture boxes;
    CDiagnosticCapture lines;
    ASSERT_FALSE(q.IsInitialized());
    q.Close();
    EXPECT_TRUE(AllClosed());
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(lines.Lines().empty());
}

TEST(CoreFramework, InitTwiceOpensOnce)
{
    q.Init();
    const CId kept(0x7E570040, 0, 0, 0);
    q.classStore.RegisterClassMrv(TClassInfo(kept, L"test::Kept", &MakeObject));
    IObject* before = q.classStore.CreateObject(kept);
    q.Init(); // reopening would empty the store and restart the numbers
    EXPECT_TRUE(q.IsInitialized());
    IObject* after = q.classStore.CreateObject(kept);
    EXPECT_EQ(after->GetObjectNumber(), before->GetObjectNumber() + 1);
    before->Release();
    after->Release();
    q.Close();
    EXPECT_TRUE(AllClosed());
}

TEST(CoreFramework, ObjectNumbersStartAtOneWithEachOpening)
{
    for (int round = 0; round < 2; ++round) {
        q.Init();
        IObject* first = q.classStore.CreateObject(clsid::CObjectList);
        IObject* second = q.classStore.CreateObject(L"morvane::CObject");
        EXPECT_EQ(first->GetObjectNumber(), 1);
        EXPECT_EQ(second->GetObjectNumber(), 2);
        first->Release();
        second->Release();
        q.Close();
    }
}

TEST(CoreFramework, OpeningLoadsPluginsBesideTheProgramAndInItsPluginsFolder)
{
    CDiagnosticCapture lines;
    q.Init();
    EXPECT_TRUE(q.pluginStore.IsPluginLoaded(L"mrvt_good"));
    EXPECT_FALSE(q.pluginStore.IsPluginLoaded(L"mrvt_refuse"));
    EXPECT_TRUE(lines.Contains(L"mrvt_good init " + AppFolder() + L"/plugins/mrvt_good.so"));
    EXPECT_TRUE(lines.Contains(L"mrvt_refuse init " + AppFolder() + L"/mrvt_refuse.so"));
    EXPECT_FALSE(lines.Contains(L"mrvt_good close"));
    q.Close();
    EXPECT_TRUE(lines.Contains(L"mrvt_good close " + AppFolder() + L"/plugins/mrvt_good.so"));
    EXPECT_FALSE(lines.Contains(L"mrvt_refuse close"));
    EXPECT_FALSE(q.pluginStore.IsPluginLoaded(L"mrvt_good"));
}

TEST(CoreFramework, ClosedFrameworkRefusesNewObjectsAndReportsLateReleases)
{
    CMessageBoxCapture boxes;
    try {
        (void)new CObject;
        ADD_FAILURE() << "object made while closed";
    } catch (const CBugException& e) {
        EXPECT_STREQ(e.GetMethod(), L"morvane::CObjectCounter::OnCreateObject");
        EXPECT_STREQ(e.GetReason(), L"Not initialized");
    }
    q.Init();
    IObject* late = q.classStore.CreateObject(clsid::CObject);
    q.Close();
    CDiagnosticCapture lines;
    EXPECT_EQ(late->Release(), 0); // reported, not thrown: it runs in destructors
    EXPECT_TRUE(lines.Contains(L"method=morvane::CObjectCounter::OnDestroyObject"));
    EXPECT_EQ(boxes.Texts().size(), 2u);
}

TEST(CoreFrameworkDeathTest, UnloadingWhileOpenIsReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            q.Init();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "CMorvane::~CMorvane.*Morvane not closed before exiting!");
}
