#pragma once
#include "morvane/api/CString.h"
#include "morvane/api/IObject.h"

namespace morvane {

// Walks a sequence of objects; every object handed out carries one reference.
class MORVANE_API IObjectEnumerator : public IObject {
public:
    static constexpr CId kIid{0x8C793E9B, 0xBC8745E2, 0x849BEBD0, 0x8EB98E6D};
    virtual bool HasNext() = 0;
    virtual IObject* GetNext() = 0;

protected:
    ~IObjectEnumerator() = default;
};

class MORVANE_API IPushObjectEnumerator : public IObjectEnumerator {
public:
    static constexpr CId kIid{0x1894F586, 0x380E4502, 0xBDDD06EC, 0xDD4E382C};
    // Both do nothing once the walk has started.
    virtual void Push(IObject* object) = 0;
    virtual void Reserve(unsigned int count) = 0;

protected:
    ~IPushObjectEnumerator() = default;
};

// Wraps one untyped pointer without owning it.
class MORVANE_API IPtrObject : public IObject {
public:
    static constexpr CId kIid{0x145C5C82, 0x7D5D4D37, 0x988D01D0, 0xDAA08333};
    virtual void* GetPtr() = 0;
    virtual IPtrObject* SetPtr(void* pointer) = 0;

protected:
    ~IPtrObject() = default;
};

class MORVANE_API IObjectList : public IObject {
public:
    static constexpr CId kIid{0xD1768FC0, 0x42BB48E7, 0x87E11D7D, 0x6AFB9D1E};
    // Takes a reference and appends; a null object throws CNullPtrException.
    virtual void AddObject(IObject* object) = 0;
    virtual void RemoveObject(unsigned int index) = 0;
    virtual void RemoveObject(IObject* object) = 0;
    virtual void Clear() = 0;
    virtual IObjectEnumerator* EnumerateObjects() = 0;
    virtual IObjectEnumerator* EnumerateObjects(CId interfaceId) = 0;
    virtual unsigned int GetCount() = 0;
    virtual IObject* GetObject(unsigned int index) = 0;
    virtual unsigned int FindObject(IObject* object) = 0;

protected:
    ~IObjectList() = default;
};

class MORVANE_API IStringObject : public IObject {
public:
    static constexpr CId kIid{0xE32A1605, 0xA9BD4213, 0xA3EA2131, 0x1D76690C};
    virtual const CString& GetString() = 0;
    virtual void SetString(const CString& text) = 0;

protected:
    ~IStringObject() = default;
};

} // namespace morvane
