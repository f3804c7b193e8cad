#pragma once
#include "morvane/api/CObjectImpl.h"
#include "morvane/devices/IDevice.h"

namespace morvane {

// A device whose Open and Close do nothing.
class MORVANE_API CDevice : public CObjectImpl<IDevice> {
public:
    CDevice();
    void Close() override {}
    void Open() override {}

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IDevice>(this, id); }
};

// A media control that plays nothing: every command is ignored, it reports
// caps 31, no length, position 0 and never playing.
class MORVANE_API CMediaControl : public CObjectImpl<IMediaControl> {
public:
    CMediaControl();
    void EnableLoop(bool) override {}
    void Flush() override {}
    int GetCaps() override { return 31; }
    float GetTimeLength() override { return 0.0f; }
    bool IsPlaying() override { return false; }
    void Pause() override {}
    void Play() override {}
    void SeekTime(float) override {}
    void SetLoopTimes(float, float) override {}
    void Stop() override {}
    float TellTime() override { return 0.0f; }

protected:
    IObject* FindInterface(const CId& id) override { return AnswerFor<IMediaControl>(this, id); }
};

// Factories of the registered names morvane::CAudioDevice and
// morvane::CVideoDevice: the first device of that type in the device store.
IObject* CreateRegisteredAudioDevice();
IObject* CreateRegisteredVideoDevice();

} // namespace morvane
