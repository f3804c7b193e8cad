#pragma once
#include <algorithm>
#include <atomic>
#include <vector>
#include "morvane/api/IObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

// The global object counter's two hooks (see CObjectCounter).
MORVANE_API int OnObjectCreated(const CId& classId);
MORVANE_API void OnObjectDestroyed(const CId& classId);

// The standard object state that every concrete class carries: object number,
// reference count and listeners, with the seven IObject operations.
// First is the interface through which the object is seen as an IObject;
// further interfaces of other chains may follow (a renderer is a media control
// and a device resource at once).
template <class First, class... Rest>
class MORVANE_API CObjectImpl : public First, public Rest... {
public:
    CObjectImpl(const CObjectImpl&) = delete;
    CObjectImpl& operator=(const CObjectImpl&) = delete;

    int AddRef() override { return ++m_refCount; }

    int Release() override
    {
        int count = --m_refCount;
        if (count == 0)
            Destroy();
        return count;
    }

    IObject* QueryInterface(const CId& interfaceId) override
    {
        ++m_refCount;
        IObject* found = interfaceId == IObject::kIid ? AsObject() : FindInterface(interfaceId);
        if (!found)
            --m_refCount;
        return found;
    }

    void AddListener(IObjectListener* listener) override { m_listeners.push_back(listener); }

    void RemoveListener(IObjectListener* listener) override
    {
        auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
        if (it != m_listeners.end())
            m_listeners.erase(it);
    }

    int GetObjectNumber() override { return m_objectNumber; }

    CId& GetClassId(CId& out) override
    {
        out = m_classId;
        return out;
    }

    IObject* AsObject() { return static_cast<IObject*>(static_cast<First*>(this)); }

protected:
    explicit CObjectImpl(const CId& classId) : m_classId(classId), m_objectNumber(OnObjectCreated(classId)) {}
    virtual ~CObjectImpl() = default;

    // The interfaces the class answers for besides IObject; no reference added.
    virtual IObject* FindInterface(const CId& interfaceId) = 0;

    // Helper for FindInterface: the first listed interface whose id matches.
    template <class... Is, class Self>
    static IObject* AnswerFor(Self* self, const CId& interfaceId)
    {
        IObject* found = nullptr;
        ((found == nullptr && interfaceId == Is::kIid
              ? (found = static_cast<IObject*>(static_cast<Is*>(self)), 0)
              : 0),
         ...);
        return found;
    }

private:
    void Destroy()
    {
        // Listeners may not remove themselves while they hear of it.
        std::vector<IObjectListener*> listeners = m_listeners;
        for (IObjectListener* listener : listeners)
            listener->OnObjectDestroyed(AsObject());
        OnObjectDestroyed(m_classId);
        delete this;
    }

    CId m_classId;
    int m_objectNumber;
    // Atomic: a renderer thread and the GUI may hand references across.
    std::atomic<int> m_refCount{1};
    std::vector<IObjectListener*> m_listeners;
};

} // namespace morvane
