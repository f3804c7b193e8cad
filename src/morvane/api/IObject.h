#pragma once
#include "morvane/api/CId.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IObjectListener;

// Base interface of every shared object: reference counted, identified by an
// object number and a class id, asked for other interfaces by interface id.
// Objects are never deleted through an interface pointer, only by Release.
class MORVANE_API IObject {
public:
    static constexpr CId kIid{0x021E95ED, 0x173F45B5, 0xA6C3EC3F, 0xB12B6A49};

    virtual int AddRef() = 0;
    virtual int Release() = 0;
    // The same object seen as the requested interface, with one more reference; or null.
    virtual IObject* QueryInterface(const CId& interfaceId) = 0;
    virtual void AddListener(IObjectListener* listener) = 0;
    virtual void RemoveListener(IObjectListener* listener) = 0;
    virtual int GetObjectNumber() = 0;
    virtual CId& GetClassId(CId& out) = 0;

protected:
    ~IObject() = default;
};

class MORVANE_API IObjectListener : public IObject {
public:
    static constexpr CId kIid{0x2B84F858, 0x35FB4394, 0xB429968B, 0x2708B7F9};
    // Called while the object is being destroyed.
    virtual void OnObjectDestroyed(IObject* object) = 0;

protected:
    ~IObjectListener() = default;
};

// Asks an object for interface I; the result holds one reference, or is null.
template <class I>
I* QueryInterfaceAs(IObject* object)
{
    return object ? static_cast<I*>(object->QueryInterface(I::kIid)) : nullptr;
}

} // namespace morvane
