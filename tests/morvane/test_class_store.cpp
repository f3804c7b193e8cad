#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"
#include "core_expect.h"
#include "support/TestSupport.h"

using namespace morvane;

namespace {

int g_madeByFirst = 0;
int g_madeBySecond = 0;

IObject* MakeFirst() { return ++g_madeByFirst, (new CObject)->AsObject(); }
IObject* MakeSecond() { return ++g_madeBySecond, (new CObject)->AsObject(); }
IObject* MakeNothing() { MRV_THROW(CFailedException, L"test::Factory", L"factory failed"); }

using core_test::ExpectThrow;

// The store's records, in the order EnumerateClasses hands them out.
std::vector<const TClassInfo*> Records(const CClassStore& store)
{
    std::vector<const TClassInfo*> records;
    IObjectEnumerator* classes = store.EnumerateClasses();
    while (IObject* entry = classes->GetNext()) {
        auto* pointer = QueryInterfaceAs<IPtrObject>(entry);
        records.push_back(static_cast<const TClassInfo*>(pointer->GetPtr()));
        pointer->Release();
        entry->Release();
    }
    classes->Release();
    return records;
}

} // namespace

TEST(CoreClassStore, FirstRegistrationWinsByIdAndByName)
{
    const CId twin(0x7E570010, 1, 2, 3);
    q.classStore.RegisterClassMrv(TClassInfo(twin, L"test::Twin", &MakeFirst));
    q.classStore.RegisterClassMrv(TClassInfo(twin, L"test::TwinAgain", &MakeSecond));
    q.classStore.RegisterClassMrv(TClassInfo(CId(0x7E570011, 0, 0, 0), L"test::Twin", &MakeSecond));
    g_madeByFirst = g_madeBySecond = 0;
    q.classStore.CreateObject(twin)->Release();
    q.classStore.CreateObject(L"test::Twin")->Release();
    EXPECT_EQ(g_madeByFirst, 2);
    EXPECT_EQ(g_madeBySecond, 0);
    EXPECT_STREQ(q.classStore.GetClassInfo(twin)->name, L"test::Twin");
    EXPECT_EQ(q.classStore.GetClassInfo(L"test::Twin")->id, twin);
    EXPECT_THROW(q.classStore.GetClassInfo(L"test::twin"), CClassNotFoundException); // case matters
}

TEST(CoreClassStore, MissesRaiseClassNotFoundAndTheStoreStaysUsable)
{
    const CId unknown(0x7E57DEAD, 0, 0, 0);
    const wchar_t* create = L"morvane::CClassStore::CreateObject";
    ExpectThrow<CClassNotFoundException>([&] { q.classStore.CreateObject(unknown); }, create, L"Cannot find class");
    ExpectThrow<CClassNotFoundException>([&] { q.classStore.CreateObject(L"no::Such"); }, create, L"");
    ExpectThrow<CClassNotFoundException>([&] { q.classStore.GetClassInfo(unknown); },
                 L"morvane::CClassStore::GetClass", L"");
    ExpectThrow<CClassNotFoundException>([&] { q.classStore.GetClassInfo(L"no::Such"); },
                 L"morvane::CClassStore::GetClass", L"");
    q.classStore.CreateObject(clsid::CObject)->Release();
}

TEST(CoreClassStore, LockIsFreeAfterAFactoryThrows)
{
    const CId failing(0x7E570020, 0, 0, 0);
    q.classStore.RegisterClassMrv(TClassInfo(failing, L"test::Failing", &MakeNothing));
    // The factory's own exception passes through unchanged.
    ExpectThrow<CFailedException>([&] { q.classStore.CreateObject(failing); }, L"test::Factory", L"factory failed");

    // The lock is recursive, so only another thread shows whether it was freed.
    EXPECT_TRUE(core_test::FinishesOnThread([] { q.classStore.CreateObject(clsid::CObject)->Release(); }))
        << "class store still locked";
}

TEST(CoreClassStore, ClosedStoreRaisesNotInitialized)
{
    tonvik_test::CMessageBoxCapture boxes;
    CClassStore store;
    const wchar_t* reason = L"Not initialized";
    const TClassInfo info(CId(1, 0, 0, 0), L"x", &MakeFirst);
    ExpectThrow<CBugException>([&] { store.RegisterClassMrv(info); }, L"morvane::CClassStore::RegisterClassMrv", reason);
    ExpectThrow<CBugException>([&] { store.GetClassInfo(info.id); }, L"morvane::CClassStore::GetClassInfo", reason);
    ExpectThrow<CBugException>([&] { store.GetClassInfo(L"x"); }, L"morvane::CClassStore::GetClassInfo", reason);
    ExpectThrow<CBugException>([&] { store.CreateObject(info.id); }, L"morvane::CClassStore::CreateObject", reason);
    ExpectThrow<CBugException>([&] { store.CreateObject(L"x"); }, L"morvane::CClassStore::CreateObject", reason);
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
    auto at = [&](const CId& id) {
        return std::find(records.begin(), records.end(), q.classStore.GetClassInfo(id)) - records.begin();
    };
    ASSERT_LT(at(early), static_cast<long>(records.size()));
    EXPECT_EQ(at(late), at(early) + 1);

    testing::internal::CaptureStdout();
    q.classStore.Dump();
    std::vector<std::string> lines;
    std::istringstream out(testing::internal::GetCapturedStdout());
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), records.size() + 2);
    EXPECT_EQ(lines.front(), "Class dump");
    EXPECT_EQ(lines.back(), "---");
    EXPECT_EQ(lines[at(early) + 1], " * {7E570030,00000000,00000000,00000000} - test::Early");
    EXPECT_EQ(lines[at(clsid::CObject) + 1], " * {90832171,F23F4997,BC71E87A,6E3A3063} - morvane::CObject");
}
