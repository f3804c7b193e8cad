#pragma once
#include "morvane/api/CObjectImpl.h"

namespace morvane {

// A plain object with nothing but the standard object state.
class MORVANE_API CObject : public CObjectImpl<IObject> {
public:
    CObject();

protected:
    IObject* FindInterface(const CId&) override { return nullptr; }
};

// A listener that does nothing when it hears of a destruction.
class MORVANE_API CObjectListener : public CObjectImpl<IObjectListener> {
public:
    CObjectListener();
    void OnObjectDestroyed(IObject*) override {}

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IObjectListener>(this, id); }
};

} // namespace morvane
