#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "DxInterfaces.h"
#include "morvane/api/CObjectImpl.h"
#include "morvane/system/CBinaryLock.h"
#include "morvane/system/CReadWriteLock.h"

namespace mrvx_std_dxa8 {

// The audio device. While it is open, a device thread of its own keeps the
// sound system (the platform audio) alive; closing ends that thread, which
// first tells every resource that the device closed.
class CDxAudioDevice : public morvane::CObjectImpl<IDxAudioDevice> {
public:
    CDxAudioDevice();
    ~CDxAudioDevice() override;

    // IDevice
    void Close() override;
    void Open() override;
    // IAudioDevice
    morvane::IMediaControl* RenderAudio(const morvane::CInputStreamSelector& source,
                                        morvane::TBufferingMode mode) override;
    // IDxAudioDevice
    std::shared_ptr<CSoundSystem> GetSoundSystem() override;
    void AddResource(IDxAudioDeviceResource* resource) override;
    void RemoveResource(IDxAudioDeviceResource* resource) override;

    bool IsOpen() const { return m_open.load(); }

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override;

private:
    void DeviceThread();

    // Guards the sound system and the resource list (write for changes).
    morvane::CReadWriteLock m_lock;
    // Serialises Open and Close.
    morvane::CBinaryLock m_openCloseLock;
    std::atomic<bool> m_open{false};
    std::shared_ptr<CSoundSystem> m_system;
    std::vector<IDxAudioDeviceResource*> m_resources; // not owned

    std::thread m_thread;
    std::mutex m_threadMutex;
    std::condition_variable m_threadCv;
    bool m_opened = false;     // the opened event
    bool m_threadEnded = false;
    bool m_closeRequested = false;
};

} // namespace mrvx_std_dxa8
