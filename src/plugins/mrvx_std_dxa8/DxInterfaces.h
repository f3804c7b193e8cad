#pragma once
#include <memory>
#include "morvane/api/CId.h"
#include "morvane/api/IObject.h"
#include "morvane/data/IStream.h"
#include "morvane/devices/IDevice.h"

namespace mrvx_std_dxa8 {

class CSoundSystem;

namespace clsid {
constexpr morvane::CId CDxAudioDevice{0xBEBB0096, 0x2D674A13, 0x8E61272C, 0x315D5176};
constexpr morvane::CId CDxAudioDeviceResource{0x53566595, 0x0BFC46BA, 0xA38A2EAC, 0x7D668703};
constexpr morvane::CId CDxAudioRenderer{0x765FC5B7, 0x64B644C6, 0x90786EDA, 0x88E202A7};
} // namespace clsid

// Something that lives on the audio device and must hear when it opens,
// closes or goes away (a renderer drops its sound buffer on close).
class IDxAudioDeviceResource : public morvane::IObject {
public:
    static constexpr morvane::CId kIid{0xCB68B992, 0x1B9F46F1, 0xB4473603, 0x5BCF5944};
    virtual void OnDeviceClosed() = 0;
    virtual void OnDeviceOpened() = 0;
    virtual void OnDeviceDestroyed() = 0;

protected:
    ~IDxAudioDeviceResource() = default;
};

class IDxAudioDevice : public morvane::IAudioDevice {
public:
    static constexpr morvane::CId kIid{0xB679B696, 0xA3DE45FA, 0xA80331F3, 0x5219FA4E};
    // The sound system the device thread keeps while the device is open
    // (shared with the caller), or null when the device is closed.
    virtual std::shared_ptr<CSoundSystem> GetSoundSystem() = 0;
    virtual void AddResource(IDxAudioDeviceResource* resource) = 0;
    virtual void RemoveResource(IDxAudioDeviceResource* resource) = 0;

protected:
    ~IDxAudioDevice() = default;
};

class IDxAudioRenderer : public morvane::IObject {
public:
    static constexpr morvane::CId kIid{0xC28BC094, 0xC08F4E7C, 0x828F899B, 0xDF1CC77C};
    virtual void Open(IDxAudioDevice* device, morvane::IInputStream* pcmSource, morvane::TBufferingMode mode) = 0;

protected:
    ~IDxAudioRenderer() = default;
};

} // namespace mrvx_std_dxa8
