#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"
#include "support/TestSupport.h"

using namespace morvane;

namespace {

int g_madeByFirst = 0;
int g_madeBySecond = 0;

IObject* MakeFirst()
{
    ++g_madeByFirst;
    return (new CObject)->AsObject();
}

IObject* MakeSecond()
{
    ++g_madeBySecond;
    return (new CObject)->AsObject();
}

IObject* MakeNothing() { MRV_THROW(CFailedException, L"test::Factory", L"factory failed"); }

template <class Call>
void ExpectThrows(Call call, TExceptionType type, const wchar_t* method, const wchar_t* reason)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const CException& e) {
        EXPECT_EQ(e.GetType(), type);
        EXPECT_STREQ(e.GetMethod(), method);
        EXPECT_STREQ(e.GetReason(), reason);
    }
}

std::vector<const TClassInfo*> Records(const CClassStore& store)
{
    std::vector<const TClassInfo*> records;
    IObjectEnumerator* classes = store.EnumerateClasses();
    while (classes->HasNext()) {
        IObject* entry = classes->GetNext();
        auto* pointer = QueryInterfaceAs<IPtrObject>(entry);
        records.push_back(pointer ? static_cast<const TClassInfo*>(pointer->GetPtr()) : nullptr);
        if (pointer)
            pointer->Release();
        entry->Release();
    }
    EXPECT_EQ(classes->GetNext(), nullptr);
    classes->Release();
    return records;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(CoreClassStore, FirstRegistrationWinsByIdAndByName)
{
    const CId twin(0x7E570010, 1, 2, 3);
    const CId other(0x7E570011, 1, 2, 3);
    q.classStore.RegisterClassMrv(TClassInfo(twin, L"test::Twin", &MakeFirst));
    q.classStore.RegisterClassMrv(TClassInfo(twin, L"test::TwinAgain", &MakeSecond));
    q.classStore.RegisterClassMrv(TClassInfo(other, L"test::Twin", &MakeSecond));

    g_madeByFirst = g_madeBySecond = 0;
    q.classStore.CreateObject(twin)->Release();
    q.classStore.CreateObject(L"test::Twin")->Release();
    EXPECT_EQ(g_madeByFirst, 2);
    EXPECT_EQ(g_madeBySecond, 0);
    EXPECT_STREQ(q.classStore.GetClassInfo(twin)->name, L"test::Twin");
    EXPECT_EQ(q.classStore.GetClassInfo(L"test::Twin")->id, twin);
    // Names match exactly and case-sensitively.
    EXPECT_EQ(q.classStore.GetClassInfo(L"test::TwinAgain")->id, twin);
    EXPECT_THROW(q.classStore.GetClassInfo(L"test::twin"), CClassNotFoundException);
}

TEST(CoreClassStore, MissesRaiseClassNotFoundAndTheStoreStaysUsable)
{
    const CId unknown(0x7E57DEAD, 0, 0, 0);
    ExpectThrows([&] { q.classStore.CreateObject(unknown); }, EXCEPTION_CLASS_NOT_FOUND,
                 L"morvane::CClassStore::CreateObject", L"Cannot find class");
    ExpectThrows([&] { q.classStore.CreateObject(L"no::Such"); }, EXCEPTION_CLASS_NOT_FOUND,
                 L"morvane::CClassStore::CreateObject", L"");
    ExpectThrows([&] { q.classStore.GetClassInfo(unknown); }, EXCEPTION_CLASS_NOT_FOUND,
                 L"morvane::CClassStore::GetClass", L"");
    ExpectThrows([&] { q.classStore.GetClassInfo(L"no::Such"); }, EXCEPTION_CLASS_NOT_FOUND,
                 L"morvane::CClassStore::GetClass", L"");
    IObject* object = q.classStore.CreateObject(clsid::CObject);
    ASSERT_NE(object, nullptr);
    object->Release();
}

TEST(CoreClassStore, LockIsFreeAfterAFactoryThrows)
{
    const CId failing(0x7E570020, 0, 0, 0);
    q.classStore.RegisterClassMrv(TClassInfo(failing, L"test::Failing", &MakeNothing));
    // The factory's own exception passes through unchanged.
    ExpectThrows([&] { q.classStore.CreateObject(failing); }, EXCEPTION_FAILED, L"test::Factory", L"factory failed");

    // The lock is recursive, so only another thread shows whether it was freed.
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> created = done->get_future();
    std::thread([done] {
        IObject* object = q.classStore.CreateObject(clsid::CObject);
        object->Release();
        done->set_value(true);
    }).detach();
    ASSERT_EQ(created.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "class store still locked";
    EXPECT_TRUE(created.get());
}

TEST(CoreClassStore, ClosedStoreRaisesNotInitialized)
{
    tonvik_test::CMessageBoxCapture boxes;
    CClassStore store;
    EXPECT_FALSE(store.IsOpen());
    const wchar_t* reason = L"Not initialized";
    ExpectThrows([&] { store.RegisterClassMrv(TClassInfo(CId(1, 0, 0, 0), L"x", &MakeFirst)); }, EXCEPTION_BUG,
                 L"morvane::CClassStore::RegisterClassMrv", reason);
    ExpectThrows([&] { store.GetClassInfo(CId(1, 0, 0, 0)); }, EXCEPTION_BUG, L"morvane::CClassStore::GetClassInfo",
                 reason);
    ExpectThrows([&] { store.GetClassInfo(L"x"); }, EXCEPTION_BUG, L"morvane::CClassStore::GetClassInfo", reason);
    ExpectThrows([&] { store.CreateObject(CId(1, 0, 0, 0)); }, EXCEPTION_BUG, L"morvane::CClassStore::CreateObject",
                 reason);
    ExpectThrows([&] { store.CreateObject(L"x"); }, EXCEPTION_BUG, L"morvane::CClassStore::CreateObject", reason);
    EXPECT_EQ(boxes.Texts().size(), 5u);

    store.Clear();
    EXPECT_TRUE(Records(store).empty());
    testing::internal::CaptureStdout();
    store.Dump();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Class dump - not initialized!\n");
}

TEST(CoreClassStore, EnumerationAndDumpFollowRegistrationOrder)
{
    const CId early(0x7E570030, 0, 0, 0);
    const CId late(0x7E570031, 0, 0, 0);
    q.classStore.RegisterClassMrv(TClassInfo(early, L"test::Early", &MakeFirst));
    q.classStore.RegisterClassMrv(TClassInfo(late, L"test::Late", &MakeFirst));

    const std::vector<const TClassInfo*> records = Records(q.classStore);
    ASSERT_FALSE(records.empty());
    const TClassInfo* earlyRecord = q.classStore.GetClassInfo(early);
    const TClassInfo* lateRecord = q.classStore.GetClassInfo(late);
    auto at = [&](const TClassInfo* r) { return std::find(records.begin(), records.end(), r) - records.begin(); };
    ASSERT_LT(at(earlyRecord), static_cast<long>(records.size()));
    EXPECT_EQ(at(lateRecord), at(earlyRecord) + 1);
    EXPECT_NE(at(q.classStore.GetClassInfo(clsid::CObject)), static_cast<long>(records.size()));

    testing::internal::CaptureStdout();
    q.classStore.Dump();
    const std::vector<std::string> lines = Lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(lines.size(), records.size() + 2);
    EXPECT_EQ(lines.front(), "Class dump");
    EXPECT_EQ(lines.back(), "---");
    const std::string earlyLine = " * {7E570030,00000000,00000000,00000000} - test::Early";
    const std::string lateLine = " * {7E570031,00000000,00000000,00000000} - test::Late";
    auto line = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text) - lines.begin(); };
    EXPECT_EQ(line(earlyLine), at(earlyRecord) + 1);
    EXPECT_EQ(line(lateLine), at(lateRecord) + 1);
    EXPECT_NE(line(" * {90832171,F23F4997,BC71E87A,6E3A3063} - morvane::CObject"), static_cast<long>(lines.size()));
}
