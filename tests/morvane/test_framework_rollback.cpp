// A plug-in whose init throws makes the framework's Init fail; this program
// runs from a folder of its own and adds the plug-in folders by hand.
#include <gtest/gtest.h>

#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/Utf.h"
#include "support/TestSupport.h"

using namespace morvane;

namespace {

std::wstring Folder(const char* name) { return utf::FromUtf8(std::string(MRVT_PLUGINS) + "/" + name); }

} // namespace

TEST(CoreFrameworkRollback, FailedInitLeavesEverythingClosed)
{
    tonvik_test::CDiagnosticCapture lines;
    tonvik_test::CMessageBoxCapture boxes;
    // mrvt_good loads first; mrvt_throw's init then throws.
    q.pluginStore.AddPluginPath(Folder("first").c_str());
    q.pluginStore.AddPluginPath(Folder("throwing").c_str());

    for (int attempt = 1; attempt <= 2; ++attempt) {
        try {
            q.Init();
            ADD_FAILURE() << "Init succeeded";
        } catch (const CException& e) {
            EXPECT_EQ(e.GetType(), EXCEPTION_FAILED);
            EXPECT_STREQ(e.GetReason(), L"Plug-in refuses to start");
        }
        EXPECT_FALSE(q.IsInitialized());
        EXPECT_FALSE(q.classStore.IsOpen());
        EXPECT_FALSE(q.codecStore.IsOpen());
        EXPECT_FALSE(q.deviceStore.IsOpen());
        EXPECT_FALSE(q.pluginStore.IsPluginLoaded(L"mrvt_good"));
        // The plug-in loaded before the failure was closed again.
        EXPECT_EQ(lines.Count(L"mrvt_good init"), attempt);
        EXPECT_EQ(lines.Count(L"mrvt_good close"), attempt);
        // The counter is closed again: nothing can be made.
        EXPECT_THROW((void)new CObject, CBugException);
    }
    EXPECT_EQ(lines.Count(L"mrvt_throw init"), 2);
    // Nothing was left open: closing reports no bug.
    q.Close();
    for (const std::wstring& text : boxes.Texts())
        EXPECT_EQ(text.find(L"Not closed"), std::wstring::npos);
}
