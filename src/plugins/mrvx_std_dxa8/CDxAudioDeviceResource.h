#pragma once
#include "DxInterfaces.h"
#include "morvane/api/CObjectImpl.h"

namespace mrvx_std_dxa8 {

// A device resource that ignores what the device tells it.
class CDxAudioDeviceResource : public morvane::CObjectImpl<IDxAudioDeviceResource> {
public:
    CDxAudioDeviceResource() : CObjectImpl(clsid::CDxAudioDeviceResource) {}
    void OnDeviceClosed() override {}
    void OnDeviceOpened() override {}
    void OnDeviceDestroyed() override {}

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override
    {
        return AnswerFor<IDxAudioDeviceResource>(this, id);
    }
};

} // namespace mrvx_std_dxa8
