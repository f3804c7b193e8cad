// Measures the editor's sound path: a module player rendered by the audio
// device in buffering mode 3, as the editor plays a song.
//
//   edit-to-ear latency: from the write unlock of a change to the moment the
//     first changed sample reaches the output (goal: at most the 0.2 s buffer
//     plus one 40 ms tick);
//   underruns: silence written because the player had nothing, and the least
//     audio left ahead of the play cursor at a refill, during playback while
//     another thread edits the song 100 times a second (goal: no stalls).
//
// bench_audio_latency [--seconds N] [--trials N]. Without a sound card (or with
// SDL_AUDIODRIVER=dummy, the default here) the output is the plug-in's silent
// clock, which takes the ring's bytes at the pace a card would.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "CDxAudioDevice.h"
#include "CDxAudioRenderer.h"
#include "CSoundSystem.h"
#include "core/module/CoreClasses.h"
#include "core/module/IOvkModule.h"
#include "core/module/IOvkModulePlayer.h"
#include "core/song/COvkModuleData.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/CStreamSelectors.h"

using namespace morvane;
using TClock = std::chrono::steady_clock;

namespace {

constexpr TLockMode kEditorWrite = 2;

// Waits for the first non-silent sample that reaches the output after it is armed.
class CFirstSoundProbe {
public:
    void Arm(TClock::time_point since)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_since = since;
        m_armed = true;
        m_found = false;
    }

    void OnRendered(const std::uint8_t* bytes, std::size_t count)
    {
        const auto now = TClock::now();
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_armed)
            return;
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            std::int16_t sample;
            std::memcpy(&sample, bytes + i, 2);
            if (sample != 0) {
                // The chunk is heard from now on, one sample after the other.
                auto ear = now + std::chrono::nanoseconds(static_cast<std::int64_t>(i / 2 * 1e9 / 44100));
                m_latency = std::chrono::duration<double>(ear - m_since).count();
                m_armed = false;
                m_found = true;
                m_cv.notify_all();
                return;
            }
        }
    }

    // Seconds from the arming time to the ear, or -1 on a timeout.
    double Wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_cv.wait_for(lock, timeout, [this] { return m_found; })) {
            m_armed = false;
            return -1;
        }
        return m_latency;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    TClock::time_point m_since{};
    bool m_armed = false;
    bool m_found = false;
    double m_latency = 0;
};

CRef<ovk::IOvkModule> MakeSong()
{
    auto module = CreateRef<ovk::IOvkModule>(L"ovk::COvkModule");
    ovk::COvkModuleData* song = module->Lock(kEditorWrite);
    // Channel 0 plays pattern 1, a note on every row, over the whole order table.
    for (int row = 0; row < ovk::kRows; ++row)
        song->patterns[0][1][row] = 49 + row % 12;
    for (int p = 0; p < ovk::kOrderPositions; ++p)
        song->orderTable[0][p] = 1;
    song->masterVolume = 0;
    module->Unlock();
    return module;
}

void SetMasterVolume(ovk::IOvkModule* module, int volume)
{
    ovk::COvkModuleData* song = module->Lock(kEditorWrite);
    song->masterVolume = volume;
    module->Unlock();
}

struct TPlayback {
    CRef<ovk::IOvkModulePlayer> player;
    CRef<IMediaControl> control;
    mrvx_std_dxa8::CDxAudioRenderer* renderer = nullptr;
};

TPlayback StartPlayback(mrvx_std_dxa8::CDxAudioDevice& device, ovk::IOvkModule* module)
{
    TPlayback playback;
    playback.player = CreateRef<ovk::IOvkModulePlayer>(L"ovk::COvkModulePlayer");
    playback.player->Connect(module);
    CInputStreamSelector selector(playback.player.Get());
    playback.control = CRef<IMediaControl>::Adopt(device.RenderAudio(selector, BUFFERING_STREAM));
    playback.renderer = static_cast<mrvx_std_dxa8::CDxAudioRenderer*>(playback.control.Get());
    playback.control->Play();
    return playback;
}

int Run(int seconds, int trials)
{
    auto module = MakeSong();
    auto device = CRef<mrvx_std_dxa8::CDxAudioDevice>::Adopt(new mrvx_std_dxa8::CDxAudioDevice);
    device->Open();
    std::printf("output: %s (SDL audio driver %s)\n",
                device->GetSoundSystem()->HasCard() ? "SDL device" : "silent clock",
                SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none");
    CFirstSoundProbe probe;
    device->GetSoundSystem()->SetRenderObserver(
        [&probe](const std::uint8_t* bytes, std::size_t count) { probe.OnRendered(bytes, count); });

    // Edit-to-ear latency: silence, then an edit that makes the song sound.
    std::vector<double> latencies;
    {
        TPlayback playback = StartPlayback(*device, module.Get());
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(50, 150);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        for (int i = 0; i < trials; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            SetMasterVolume(module.Get(), 100);
            probe.Arm(TClock::now());
            double latency = probe.Wait(std::chrono::milliseconds(2000));
            if (latency < 0) {
                std::printf("latency trial %d: no sound within 2 s\n", i);
                return 1;
            }
            latencies.push_back(latency);
            SetMasterVolume(module.Get(), 0);
            // Let the silence through before the next trial.
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
        playback.control->Stop();
    }
    device->GetSoundSystem()->SetRenderObserver(nullptr);
    std::sort(latencies.begin(), latencies.end());
    std::printf("edit-to-ear latency, mode 3, %d edits: min %.3f s, median %.3f s, max %.3f s (goal <= 0.240 s)\n",
                trials, latencies.front(), latencies[latencies.size() / 2], latencies.back());

    // Underruns while the song is edited 100 times a second.
    SetMasterVolume(module.Get(), 100);
    TPlayback playback = StartPlayback(*device, module.Get());
    std::atomic<bool> editing{true};
    double longestEditWait = 0;
    int edits = 0;
    std::thread editor([&] {
        auto next = TClock::now();
        while (editing) {
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
            auto before = TClock::now();
            ovk::COvkModuleData* song = module->Lock(kEditorWrite);
            int row = edits % ovk::kRows;
            song->patterns[0][1][row] = 49 + (edits / ovk::kRows) % 24;
            song->channels[0].volume = 60 + edits % 40;
            module->Unlock();
            longestEditWait = std::max(longestEditWait, std::chrono::duration<double>(TClock::now() - before).count());
            ++edits;
        }
    });
    const auto start = TClock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const float heardEarly = playback.control->TellTime();
    const auto early = TClock::now();
    std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
    editing = false;
    editor.join();
    const double played = std::chrono::duration<double>(TClock::now() - start).count();
    const float heard = playback.control->TellTime();
    const double rate = (heard - heardEarly) / std::chrono::duration<double>(TClock::now() - early).count();
    const std::uint64_t stalled = playback.renderer->StalledBytes();
    const std::size_t lead = playback.renderer->MinLeadBytes();
    playback.control->Stop();
    std::printf("%.1f s of playback, %d edits (longest wait for the write lock %.2f ms), heard position %.2f s, "
                "heard time runs at %.4f x real time\n",
                played, edits, longestEditWait * 1000, heard, rate);
    std::printf("underruns: %llu stalled-source bytes (goal 0); least audio ahead of the play cursor at a refill "
                "%.3f s of the 0.2 s buffer\n",
                static_cast<unsigned long long>(stalled), lead / 88200.0);
    playback = TPlayback();
    device->Close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 60;
    int trials = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--trials") == 0)
            trials = std::max(1, std::atoi(argv[i + 1]));
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    q.Init();
    ovk::RegisterCoreClasses();
    int status = 1;
    try {
        status = Run(seconds, trials);
    } catch (const CException& e) {
        std::fprintf(stderr, "bench_audio_latency: %ls\n", e.GetReason());
    }
    q.Close();
    return status;
}
