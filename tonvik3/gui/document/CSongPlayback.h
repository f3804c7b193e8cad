#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/module/IOvkModule.h"
#include "core/module/IOvkModulePlayer.h"
#include "morvane/api/CRef.h"
#include "morvane/devices/IDevice.h"

namespace ovk {

// What the playback monitor tells the panes. Position: the absolute row
// being heard (order position × 16 + row) and its order position; Tick: once
// per period, for meters and scopes; Stopped: the monitor has ended.
struct TPlaybackEvent {
    enum TKind { POSITION, TICK, STOPPED };
    TKind kind = TICK;
    int order = 0;
    int row = 0;
};

// What one Play or Pattern play starts from.
struct TPlaybackRequest {
    morvane::CRef<IOvkModule> song;
    morvane::CRef<IOvkModulePlayer> player;
    morvane::CRef<morvane::IAudioDevice> device;
    int startPosition = 0;
    bool patternMode = false;
    // The editor's mute flags, read when playback starts (8 entries).
    const std::atomic<std::uint8_t>* channelEnabled = nullptr;
};

// Song playback with its monitor thread: Start renders the song through the
// audio device and follows the heard position every 20 ms, posting events
// through post (called on the monitor thread; it must only hand them on).
// No GUI code: the editor posts the events to its panes on the GUI thread.
//
// At most one monitor runs: Start stops and joins the previous one first, and
// a monitor whose playback was stopped never posts for a later one.
class CSongPlayback {
public:
    using TPost = std::function<void(const TPlaybackEvent&)>;
    static constexpr int kPeriodMs = 20;
    // The position event's value meaning "no play position".
    static constexpr int kNoPosition = 0xFFFF;

    explicit CSongPlayback(TPost post);
    ~CSongPlayback();
    CSongPlayback(const CSongPlayback&) = delete;
    CSongPlayback& operator=(const CSongPlayback&) = delete;

    void Start(TPlaybackRequest request);
    // Stops the song's control (which rewinds it) and ends the monitor within
    // one period; returns at once.
    void Stop();
    // Stop, then waits for the monitor thread to end.
    void StopAndWait();
    // StopAndWait, then lets go of the control (before the audio device closes).
    void Release();

    // True from the moment the control plays until Stop or the monitor ends.
    bool IsPlaying() const { return m_playing.load(); }
    // True from Start until the control plays, Stop, or the monitor ends
    // without playing (an empty song, an output that did not open): a Stop
    // in that time must still be obeyed.
    bool IsStarting() const { return m_starting.load(); }
    // The control of the last playback (kept after the monitor ends, as the
    // song may still sound); empty before the first playback.
    morvane::CRef<morvane::IMediaControl> Control() const;

private:
    void Monitor(TPlaybackRequest request, std::uint64_t generation);
    bool Current(std::uint64_t generation) const { return m_generation.load() == generation; }

    TPost m_post;
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_starting{false};
    std::atomic<std::uint64_t> m_generation{0};
    // Guards the control, and the start of playing against Stop.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    morvane::CRef<morvane::IMediaControl> m_control;
    std::thread m_thread;
};

} // namespace ovk
