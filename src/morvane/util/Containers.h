#pragma once
#include <vector>
#include "morvane/api/CObjectImpl.h"
#include "morvane/util/ObjectInterfaces.h"

namespace morvane {

// The empty enumerator.
class MORVANE_API CObjectEnumerator : public CObjectImpl<IObjectEnumerator> {
public:
    CObjectEnumerator();
    bool HasNext() override { return false; }
    IObject* GetNext() override { return nullptr; }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IObjectEnumerator>(this, id); }
};

// Holds pushed objects (one reference each) and walks them from the first.
class MORVANE_API CPushObjectEnumerator : public CObjectImpl<IPushObjectEnumerator> {
public:
    CPushObjectEnumerator();
    ~CPushObjectEnumerator() override;
    bool HasNext() override;
    IObject* GetNext() override;
    void Push(IObject* object) override;
    void Reserve(unsigned int count) override;

protected:
    IObject* FindInterface(const CId& id) override
    {
        return AnswerFor<IPushObjectEnumerator, IObjectEnumerator>(this, id);
    }

private:
    std::vector<IObject*> m_objects;
    std::size_t m_cursor = 0;
    bool m_started = false;
};

class MORVANE_API CPtrObject : public CObjectImpl<IPtrObject> {
public:
    CPtrObject();
    explicit CPtrObject(void* pointer);
    void* GetPtr() override { return m_pointer; }
    IPtrObject* SetPtr(void* pointer) override
    {
        m_pointer = pointer;
        return this;
    }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IPtrObject>(this, id); }

private:
    void* m_pointer = nullptr;
};

class MORVANE_API CObjectList : public CObjectImpl<IObjectList> {
public:
    CObjectList();
    ~CObjectList() override;
    void AddObject(IObject* object) override;
    void RemoveObject(unsigned int index) override;
    void RemoveObject(IObject* object) override;
    void Clear() override;
    IObjectEnumerator* EnumerateObjects() override;
    IObjectEnumerator* EnumerateObjects(CId interfaceId) override;
    unsigned int GetCount() override { return static_cast<unsigned int>(m_objects.size()); }
    IObject* GetObject(unsigned int index) override;
    unsigned int FindObject(IObject* object) override;

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IObjectList>(this, id); }

private:
    std::vector<IObject*> m_objects;
};

class MORVANE_API CStringObject : public CObjectImpl<IStringObject> {
public:
    CStringObject();
    explicit CStringObject(const CString& text);
    const CString& GetString() override { return m_text; }
    void SetString(const CString& text) override { m_text = text; }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IStringObject>(this, id); }

private:
    CString m_text;
};

} // namespace morvane
