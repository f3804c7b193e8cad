// Entry points that the framework's plug-in store looks up when it loads
// mrvx_std_dxa8.so: plain functions with C++ linkage.
#include "CDxAudioDevice.h"
#include "CDxAudioDeviceResource.h"
#include "CDxAudioRenderer.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/FrameworkRegistry.h"

#define MRVX_PLUGIN_ENTRY __attribute__((visibility("default")))

MRVX_PLUGIN_ENTRY bool MrvInitPlugin()
{
    using namespace mrvx_std_dxa8;
    try {
        morvane::RegisterClassOf<CDxAudioDevice>(clsid::CDxAudioDevice, L"mrvx_std_dxa8::CDxAudioDevice");
        morvane::q.deviceStore.RegisterDevice(
            morvane::TDeviceClassInfo(clsid::CDxAudioDevice, morvane::DEVICE_TYPE_AUDIO));
        morvane::RegisterClassOf<CDxAudioDeviceResource>(clsid::CDxAudioDeviceResource,
                                                         L"mrvx_std_dxa8::CDxAudioDeviceResource");
        morvane::RegisterClassOf<CDxAudioRenderer>(clsid::CDxAudioRenderer, L"mrvx_std_dxa8::CDxAudioRenderer");
    } catch (const morvane::CException&) {
        // Reported when thrown. Declining leaves the framework starting
        // without audio instead of failing altogether.
        return false;
    }
    return true;
}

MRVX_PLUGIN_ENTRY void MrvClosePlugin() {}
