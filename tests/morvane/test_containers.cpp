#include <gtest/gtest.h>

#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"
#include "core_expect.h"

using namespace morvane;

namespace {

using core_test::ExpectThrow;
using core_test::RefCount;

// Every object an enumerator hands out, in order; the enumerator is released.
std::vector<IObject*> Drain(IObjectEnumerator* enumerator)
{
    std::vector<IObject*> out;
    while (enumerator->HasNext()) {
        out.push_back(enumerator->GetNext());
        out.back()->Release();
    }
    EXPECT_EQ(enumerator->GetNext(), nullptr);
    enumerator->Release();
    return out;
}

} // namespace

TEST(CoreContainers, ObjectListKeepsOneReferencePerEntry)
{
    CRef<IObjectList> list = CreateRef<IObjectList>(clsid::CObjectList);
    IObject* a = (new CObject)->AsObject();
    IObject* b = (new CObject)->AsObject();
    list->AddObject(a);
    list->AddObject(b);
    list->AddObject(a);
    EXPECT_EQ(list->GetCount(), 3u);
    EXPECT_EQ(RefCount(a), 3);
    EXPECT_EQ(list->FindObject(b), 1u);
    IObject* got = list->GetObject(1);
    EXPECT_EQ(got, b);
    EXPECT_EQ(got->Release(), 2);

    list->RemoveObject(a); // the first entry that is a
    EXPECT_EQ(list->FindObject(a), 1u);
    list->RemoveObject(0u);
    EXPECT_EQ(RefCount(b), 1);
    list->AddObject(b);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0u);
    EXPECT_EQ(RefCount(a), 1);

    // Misses leave the list as it was.
    list->AddObject(a);
    const wchar_t* outOfBounds = L"Index out of bounds";
    const wchar_t* notFound = L"Cannot find object";
    ExpectThrow<CBadIndexException>([&] { list->RemoveObject(1u); }, nullptr, outOfBounds);
    ExpectThrow<CBadIndexException>([&] { list->GetObject(1u); }, nullptr, outOfBounds);
    ExpectThrow<CObjectNotFoundException>([&] { list->FindObject(b); }, nullptr, notFound);
    ExpectThrow<CObjectNotFoundException>([&] { list->RemoveObject(b); }, nullptr, notFound);
    ExpectThrow<CNullPtrException>([&] { list->AddObject(nullptr); }, nullptr, L"Null object");
    EXPECT_EQ(list->GetCount(), 1u);

    list.Reset(); // releasing the list releases what it holds
    EXPECT_EQ(RefCount(a), 1);
    a->Release();
    b->Release();
}

TEST(CoreContainers, ListEnumerationsKeepOrderAndFilterByInterface)
{
    CRef<IObjectList> list = CreateRef<IObjectList>(clsid::CObjectList);
    IObject* plain = (new CObject)->AsObject();
    auto* pointer = new CPtrObject(&plain);
    auto* text = new CStringObject(CString(L"text"));
    for (IObject* o : {plain, pointer->AsObject(), text->AsObject()})
        list->AddObject(o);
    EXPECT_EQ(Drain(list->EnumerateObjects()), (std::vector<IObject*>{plain, pointer->AsObject(), text->AsObject()}));
    const std::vector<IObject*> pointers = Drain(list->EnumerateObjects(IPtrObject::kIid));
    ASSERT_EQ(pointers.size(), 1u);
    EXPECT_EQ(static_cast<IPtrObject*>(pointers[0])->GetPtr(), &plain);
    EXPECT_TRUE(Drain(list->EnumerateObjects(IObjectEnumerator::kIid)).empty());
    EXPECT_EQ(RefCount(pointer->AsObject()), 2);
    EXPECT_EQ(pointer->SetPtr(nullptr), pointer);
    list.Reset();
    plain->Release();
    pointer->Release();
    text->Release();
}

TEST(CoreContainers, PushEnumeratorFreezesOnceTheWalkStarts)
{
    IObject* a = (new CObject)->AsObject();
    IObject* b = (new CObject)->AsObject();
    auto* enumerator = new CPushObjectEnumerator;
    enumerator->Reserve(2);
    enumerator->Push(a);
    enumerator->Push(nullptr);
    enumerator->Push(b);
    EXPECT_EQ(RefCount(a), 2);
    IObject* first = enumerator->GetNext();
    EXPECT_EQ(first, a);
    EXPECT_EQ(first->Release(), 2);
    enumerator->Push(a); // ignored: the walk has started
    EXPECT_EQ(Drain(enumerator), std::vector<IObject*>{b});
    EXPECT_EQ(RefCount(a), 1);
    EXPECT_EQ(RefCount(b), 1);
    CRef<IObjectEnumerator> empty = CreateRef<IObjectEnumerator>(clsid::CObjectEnumerator);
    EXPECT_FALSE(empty->HasNext());
    EXPECT_EQ(empty->GetNext(), nullptr);
    a->Release();
    b->Release();
}
