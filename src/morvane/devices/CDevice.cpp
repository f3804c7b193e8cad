#include "morvane/devices/CDevice.h"

#include "morvane/api/CMorvane.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

CDevice::CDevice() : CObjectImpl(clsid::CDevice) {}

CMediaControl::CMediaControl() : CObjectImpl(clsid::CMediaControl) {}

IObject* CreateRegisteredAudioDevice() { return q.deviceStore.CreateDevice(DEVICE_TYPE_AUDIO); }

IObject* CreateRegisteredVideoDevice() { return q.deviceStore.CreateDevice(DEVICE_TYPE_VIDEO); }

} // namespace morvane
