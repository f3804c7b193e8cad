#pragma once
#include "morvane/api/CId.h"
#include "morvane/api/IObject.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IObjectEnumerator;
class CMorvane;
struct TClassStoreBody;

// One registered class: its id, its full name and a factory that makes a new
// instance holding one reference. The name pointer is stored, not the text.
struct MORVANE_API TClassInfo {
    TClassInfo(CId id, const wchar_t* name, IObject* (*create)());
    CId id;
    const wchar_t* name;
    IObject* (*create)();
};

// The process-wide class registry: classes are created by id or name, so a
// caller can create a class that lives in a plug-in without linking to it.
// Entries stay in registration order and the first match wins.
class MORVANE_API CClassStore {
public:
    CClassStore();
    CClassStore(const CClassStore&) = delete;
    CClassStore& operator=(const CClassStore&) = delete;
    ~CClassStore();

    void RegisterClassMrv(const TClassInfo& info);
    const TClassInfo* GetClassInfo(const CId& id) const;
    const TClassInfo* GetClassInfo(const wchar_t* name) const;
    IObject* CreateObject(const CId& id) const;
    IObject* CreateObject(const wchar_t* name) const;
    // Pointer objects whose pointers are the store's TClassInfo records.
    IObjectEnumerator* EnumerateClasses() const;
    void Clear();
    void Dump() const;

    bool IsOpen() const { return m_body != nullptr; }

private:
    friend class CMorvane;
    void Init();
    void Close();

    TClassStoreBody* m_body;
};

// Numbers objects from 1 in order of creation; numbers are never reused.
class MORVANE_API CObjectCounter {
public:
    CObjectCounter();
    CObjectCounter(const CObjectCounter&) = delete;
    CObjectCounter& operator=(const CObjectCounter&) = delete;
    ~CObjectCounter();

    int OnCreateObject(const CId& classId);
    void OnDestroyObject(const CId& classId);

private:
    friend class CMorvane;
    void Init();
    void Close();

    struct TCounter;
    TCounter* m_counter;
};

} // namespace morvane
