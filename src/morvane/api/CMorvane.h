#pragma once
#include "morvane/api/CClassStore.h"
#include "morvane/api/CPluginStore.h"
#include "morvane/api/CRef.h"
#include "morvane/api/MorvaneApi.h"
#include "morvane/data/CCodecClassStore.h"
#include "morvane/devices/CDeviceClassStore.h"

namespace morvane {

// The framework object: owns the process-wide stores. The application opens
// it once with q.Init() and closes it once with q.Close() before it exits.
class MORVANE_API CMorvane {
public:
    CMorvane();
    CMorvane(const CMorvane&) = delete;
    CMorvane& operator=(const CMorvane&) = delete;
    ~CMorvane();

    // Opens the stores, registers the framework's classes and loads the plug-ins.
    void Init();
    // Closes the counter, closes and unloads the plug-ins, closes the stores.
    void Close();
    bool IsInitialized() const { return initialized; }

    bool initialized;
    CClassStore classStore;
    CCodecClassStore codecStore;
    CDeviceClassStore deviceStore;
    CPluginStore pluginStore;
    CObjectCounter objectCounter;
};

MORVANE_API extern CMorvane q;

// Creates a registered class, by id or by name, and asks it for I; the holder
// is empty when the class does not offer I. Throws what the class store throws
// for an unknown class.
template <class I, class Key>
CRef<I> CreateRef(const Key& key)
{
    return QueryRef<I>(CRef<IObject>::Adopt(q.classStore.CreateObject(key)).Get());
}

// Registers the framework's own classes, in their fixed order.
void RegisterFrameworkClasses();

} // namespace morvane
