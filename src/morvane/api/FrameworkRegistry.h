#pragma once
#include "morvane/api/CClassStore.h"
#include "morvane/api/IObject.h"

namespace morvane {

// Factory of a class with a default constructor: a new object with one reference.
template <class T>
IObject* CreateInstance()
{
    return (new T)->AsObject();
}

MORVANE_API void RegisterWithClassStore(const TClassInfo& info);

// Registers class T with the global class store under id and name.
template <class T>
void RegisterClassOf(const CId& id, const wchar_t* name)
{
    RegisterWithClassStore(TClassInfo(id, name, &CreateInstance<T>));
}

} // namespace morvane
