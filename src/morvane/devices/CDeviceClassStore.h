#pragma once
#include "morvane/api/CId.h"
#include "morvane/api/MorvaneApi.h"
#include "morvane/devices/IDevice.h"

namespace morvane {

class IObjectEnumerator;
class CMorvane;
struct TDeviceStoreBody;

struct MORVANE_API TDeviceClassInfo {
    TDeviceClassInfo(CId classId, TDeviceType type);
    CId classId;
    TDeviceType type;
};

// Devices registered by plug-ins, created by type: the first registered
// device of a type wins.
class MORVANE_API CDeviceClassStore {
public:
    CDeviceClassStore();
    CDeviceClassStore(const CDeviceClassStore&) = delete;
    CDeviceClassStore& operator=(const CDeviceClassStore&) = delete;
    ~CDeviceClassStore();

    // The class must already be registered with the class store.
    void RegisterDevice(const TDeviceClassInfo& info);
    IDevice* CreateDevice(TDeviceType type) const;
    // Pointer objects whose pointers are the store's TDeviceClassInfo records.
    IObjectEnumerator* EnumerateDevices() const;

    bool IsOpen() const { return m_body != nullptr; }

private:
    friend class CMorvane;
    void Init();
    void Close();

    TDeviceStoreBody* m_body;
};

} // namespace morvane
