#pragma once
#include <chrono>
#include <memory>

#include "CSoundSystem.h"
#include "DxInterfaces.h"
#include "morvane/api/CRef.h"
#include "morvane/devices/IDevice.h"

namespace tonvik_test {

// The sound system of an open audio device that the framework made from the
// loaded plug-in: a test takes its clock into its own hands
// (Clock().UseManualClock()) and moves the time with Advance, so that what
// the song's monitor hears when does not depend on the machine's load.
inline std::shared_ptr<mrvx_std_dxa8::CSoundSystem> SoundSystemOf(morvane::IAudioDevice* device)
{
    auto dx = morvane::QueryRef<mrvx_std_dxa8::IDxAudioDevice>(device);
    return dx ? dx->GetSoundSystem() : nullptr;
}

inline std::chrono::nanoseconds Seconds(double seconds)
{
    return std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9));
}

} // namespace tonvik_test
