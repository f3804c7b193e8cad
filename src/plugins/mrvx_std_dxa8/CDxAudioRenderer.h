#pragma once
#include <atomic>
#include <memory>
#include <mutex>

#include "DxInterfaces.h"
#include "morvane/api/CObjectImpl.h"
#include "morvane/api/CRef.h"

namespace mrvx_std_dxa8 {

class CDxAudioBuffer;

// The media control that the device hands out for one rendered stream. It
// owns the stream's sound buffer while the device is open; once the device
// closes, the buffer is gone and every playback operation reports that the
// device is not open.
class CDxAudioRenderer
    : public morvane::CObjectImpl<morvane::IMediaControl, IDxAudioRenderer, IDxAudioDeviceResource> {
public:
    CDxAudioRenderer();
    ~CDxAudioRenderer() override;

    // IMediaControl
    void EnableLoop(bool on) override;
    void Flush() override;
    int GetCaps() override;
    float GetTimeLength() override;
    bool IsPlaying() override;
    void Pause() override;
    void Play() override;
    void SeekTime(float seconds) override;
    void SetLoopTimes(float start, float end) override;
    void Stop() override;
    float TellTime() override;

    // IDxAudioRenderer
    void Open(IDxAudioDevice* device, morvane::IInputStream* pcmSource, morvane::TBufferingMode mode) override;

    // IDxAudioDeviceResource
    void OnDeviceClosed() override;
    void OnDeviceOpened() override {}
    void OnDeviceDestroyed() override;

    // Silence written because the source stalled; 0 without a buffer.
    std::uint64_t StalledBytes();
    // The buffer's least lead at a refill in bytes; 0 without a buffer.
    std::size_t MinLeadBytes();

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override;

private:
    // The sound buffer; without one (the device closed) COperationNotSupportedException
    // "Device is not open" for method. Under m_mutex.
    CDxAudioBuffer& BufferOrThrow(const wchar_t* method);

    // Operations run under m_mutex; the device thread frees the buffer under
    // it too, so no operation ever sees a buffer being freed.
    std::mutex m_mutex;
    bool m_open = false;
    std::atomic<bool> m_deviceGone{true};
    bool m_registered = false;
    morvane::CRef<IDxAudioDevice> m_device;
    morvane::TBufferingMode m_mode = morvane::BUFFERING_STREAM;
    std::unique_ptr<CDxAudioBuffer> m_buffer;
    unsigned int m_sourceCaps = 0;
};

} // namespace mrvx_std_dxa8
