#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "morvane/api/CMorvane.h"
#include "morvane/api/CObject.h"
#include "morvane/api/ClassIds.h"
#include "morvane/util/Containers.h"
#include "core_expect.h"

using namespace morvane;

namespace {

using core_test::RefCount;

using TLog = std::vector<std::pair<int, IObject*>>;

class CRecordingListener : public CObjectImpl<IObjectListener> {
public:
    CRecordingListener(TLog& log, int tag) : CObjectImpl(CId(0x7E570001, 0, 0, 0)), m_log(log), m_tag(tag) {}
    void OnObjectDestroyed(IObject* object) override { m_log.emplace_back(m_tag, object); }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IObjectListener>(this, id); }

private:
    TLog& m_log;
    int m_tag;
};

} // namespace

TEST(CoreObjects, ClassIdIsWrittenIntoTheCallersId)
{
    IObject* list = q.classStore.CreateObject(L"morvane::CObjectList");
    auto* listener = new CObjectListener;
    CId id;
    EXPECT_EQ(&list->GetClassId(id), &id);
    EXPECT_EQ(id, clsid::CObjectList);
    EXPECT_EQ(listener->GetClassId(id), clsid::CObjectListener);
    list->Release();
    listener->Release();
}

TEST(CoreObjects, QueryInterfaceAddsAReferenceOnlyWhenItAnswers)
{
    IObject* object = q.classStore.CreateObject(clsid::CObjectList);
    ASSERT_EQ(RefCount(object), 1);
    const CId unknown(0x22C30DFF, 0xBD4042C7, 0xAAC861B7, 0xBEB00D39); // a stream: not a list
    EXPECT_EQ(object->QueryInterface(unknown), nullptr);
    EXPECT_EQ(RefCount(object), 1);

    IObject* list = object->QueryInterface(IObjectList::kIid);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(RefCount(object), 2);
    EXPECT_EQ(static_cast<IObjectList*>(list)->GetCount(), 0u);
    IObject* self = object->QueryInterface(IObject::kIid);
    EXPECT_EQ(self, object);
    EXPECT_EQ(self->Release(), 2);
    EXPECT_EQ(list->Release(), 1);

    EXPECT_EQ(object->Release(), 0);
}

TEST(CoreObjects, ListenersHearDestructionInOrderOfAddition)
{
    TLog log;
    auto* one = new CRecordingListener(log, 1);
    auto* two = new CRecordingListener(log, 2);
    IObject* object = q.classStore.CreateObject(clsid::CObject);
    object->AddListener(one);
    object->AddListener(two);
    object->AddListener(one);
    object->AddRef();
    EXPECT_EQ(object->Release(), 1);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(log, (TLog{{1, object}, {2, object}, {1, object}}));

    log.clear();
    IObject* other = q.classStore.CreateObject(clsid::CObject);
    other->AddListener(one);
    other->AddListener(two);
    other->AddListener(one);
    other->RemoveListener(one); // the first of the two
    other->RemoveListener(nullptr);
    other->Release();
    EXPECT_EQ(log, (TLog{{2, other}, {1, other}}));
    one->Release();
    two->Release();
}
