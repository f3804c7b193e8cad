#include <gtest/gtest.h>

#include <vector>

#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/CRef.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"

using namespace morvane;

namespace {

int RefCount(IObject* object)
{
    object->AddRef();
    return object->Release();
}

// Every object an enumerator hands out, in order; the enumerator is released.
std::vector<IObject*> Drain(IObjectEnumerator* enumerator)
{
    std::vector<IObject*> out;
    while (enumerator->HasNext()) {
        IObject* object = enumerator->GetNext();
        out.push_back(object);
        object->Release();
    }
    EXPECT_EQ(enumerator->GetNext(), nullptr);
    enumerator->Release();
    return out;
}

CRef<IObjectList> NewList()
{
    return QueryRef<IObjectList>(CRef<IObject>::Adopt(q.classStore.CreateObject(clsid::CObjectList)).Get());
}

} // namespace

TEST(CoreContainers, ObjectListKeepsOneReferencePerEntry)
{
    CRef<IObjectList> list = NewList();
    ASSERT_TRUE(list);
    IObject* a = (new CObject)->AsObject();
    IObject* b = (new CObject)->AsObject();
    list->AddObject(a);
    list->AddObject(b);
    list->AddObject(a);
    EXPECT_EQ(list->GetCount(), 3u);
    EXPECT_EQ(RefCount(a), 3);
    EXPECT_EQ(list->FindObject(a), 0u);
    EXPECT_EQ(list->FindObject(b), 1u);

    IObject* got = list->GetObject(1);
    EXPECT_EQ(got, b);
    EXPECT_EQ(got->Release(), 2);

    list->RemoveObject(a); // the first entry that is a
    EXPECT_EQ(list->FindObject(a), 1u);
    EXPECT_EQ(RefCount(a), 2);
    list->RemoveObject(0u);
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(RefCount(b), 1);

    list->AddObject(b);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0u);
    EXPECT_EQ(RefCount(a), 1);
    EXPECT_EQ(RefCount(b), 1);

    // Releasing the list releases what it still holds.
    list->AddObject(a);
    list.Reset();
    EXPECT_EQ(RefCount(a), 1);
    a->Release();
    b->Release();
}

TEST(CoreContainers, ObjectListMissesRaiseTheirExceptions)
{
    CRef<IObjectList> list = NewList();
    IObject* a = (new CObject)->AsObject();
    IObject* absent = (new CObject)->AsObject();
    list->AddObject(a);
    auto expect = [](auto call, TExceptionType type, const wchar_t* reason) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const CException& e) {
            EXPECT_EQ(e.GetType(), type);
            EXPECT_STREQ(e.GetReason(), reason);
        }
    };
    expect([&] { list->RemoveObject(1u); }, EXCEPTION_BAD_INDEX, L"Index out of bounds");
    expect([&] { list->GetObject(1u); }, EXCEPTION_BAD_INDEX, L"Index out of bounds");
    expect([&] { list->FindObject(absent); }, EXCEPTION_OBJECT_NOT_FOUND, L"Cannot find object");
    expect([&] { list->RemoveObject(absent); }, EXCEPTION_OBJECT_NOT_FOUND, L"Cannot find object");
    expect([&] { list->AddObject(nullptr); }, EXCEPTION_NULL_PTR, L"Null object");
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(RefCount(a), 2);
    list.Reset();
    a->Release();
    absent->Release();
}

TEST(CoreContainers, ListEnumerationsKeepOrderAndFilterByInterface)
{
    CRef<IObjectList> list = NewList();
    IObject* plain = (new CObject)->AsObject();
    auto* pointer = new CPtrObject(&plain);
    auto* text = new CStringObject(CString(L"text"));
    list->AddObject(plain);
    list->AddObject(pointer->AsObject());
    list->AddObject(text->AsObject());

    EXPECT_EQ(Drain(list->EnumerateObjects()),
              (std::vector<IObject*>{plain, pointer->AsObject(), text->AsObject()}));
    const std::vector<IObject*> pointers = Drain(list->EnumerateObjects(IPtrObject::kIid));
    ASSERT_EQ(pointers.size(), 1u);
    EXPECT_EQ(static_cast<IPtrObject*>(pointers[0])->GetPtr(), &plain);
    EXPECT_TRUE(Drain(list->EnumerateObjects(IObjectEnumerator::kIid)).empty());
    EXPECT_EQ(RefCount(plain), 2);
    EXPECT_EQ(RefCount(pointer->AsObject()), 2);

    EXPECT_EQ(pointer->SetPtr(nullptr), pointer);
    EXPECT_EQ(pointer->GetPtr(), nullptr);
    text->SetString(CString(L"other"));
    EXPECT_TRUE(text->GetString() == L"other");
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
    EXPECT_EQ(RefCount(a), 3);
    first->Release();
    enumerator->Push(a); // ignored: the walk has started
    EXPECT_EQ(RefCount(a), 2);
    EXPECT_TRUE(enumerator->HasNext());
    EXPECT_EQ(Drain(enumerator), std::vector<IObject*>{b});
    EXPECT_EQ(RefCount(a), 1);
    EXPECT_EQ(RefCount(b), 1);

    CRef<IObjectEnumerator> empty =
        QueryRef<IObjectEnumerator>(CRef<IObject>::Adopt(q.classStore.CreateObject(clsid::CObjectEnumerator)).Get());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->HasNext());
    EXPECT_EQ(empty->GetNext(), nullptr);
    a->Release();
    b->Release();
}
