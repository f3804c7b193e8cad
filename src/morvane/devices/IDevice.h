#pragma once
#include "morvane/api/IObject.h"

namespace morvane {

class CInputStreamSelector;

enum TDeviceType {
    DEVICE_TYPE_AUDIO = 0,
    DEVICE_TYPE_VIDEO = 1,
};

// How an audio device buffers the stream it renders.
enum TBufferingMode {
    BUFFERING_STABLE = 0,         // the whole stream, read once
    BUFFERING_FULL = 1,           // the whole stream
    BUFFERING_STREAM_SHORT = 2,   // 0.07 s
    BUFFERING_STREAM = 3,         // 0.2 s
    BUFFERING_STREAM_STAGED = 4,  // 0.2 s with a 2 s staging buffer
};

// Playback control of one rendered stream.
class MORVANE_API IMediaControl : public IObject {
public:
    static constexpr CId kIid{0xA5901A7B, 0x4C024300, 0x88485195, 0xAB050B13};
    virtual void EnableLoop(bool on) = 0;
    // Drops buffered data and reads again from the source.
    virtual void Flush() = 0;
    virtual int GetCaps() = 0;
    virtual float GetTimeLength() = 0;
    virtual bool IsPlaying() = 0;
    virtual void Pause() = 0;
    virtual void Play() = 0;
    virtual void SeekTime(float seconds) = 0;
    virtual void SetLoopTimes(float start, float end) = 0;
    // Stops and goes back to the start.
    virtual void Stop() = 0;
    // The position being heard.
    virtual float TellTime() = 0;

protected:
    ~IMediaControl() = default;
};

class MORVANE_API IDevice : public IObject {
public:
    static constexpr CId kIid{0x24F097B7, 0x4DFD4301, 0xA1E71E1B, 0xA6328858};
    virtual void Close() = 0;
    virtual void Open() = 0;

protected:
    ~IDevice() = default;
};

class MORVANE_API IAudioDevice : public IDevice {
public:
    static constexpr CId kIid{0x47589F99, 0xFAB448AC, 0x952F430C, 0x136A8669};
    // A media control for the source (owned by the caller); the device must be open.
    virtual IMediaControl* RenderAudio(const CInputStreamSelector& source, TBufferingMode mode) = 0;

protected:
    ~IAudioDevice() = default;
};

} // namespace morvane
