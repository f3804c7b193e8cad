#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>
#include "morvane/data/TDataFormat.h"

namespace mrvx_std_dxa8 {

class CSoundRing;
class CSoundSystem;

// What drains a ring in real time: the sound card's callback or a silent
// clock. It runs only while its ring plays.
class CSoundOutput {
public:
    virtual ~CSoundOutput() = default;
};

// The sound buffer that the renderer streams into: a ring of bytes in the
// stream's format with a play cursor that moves at the sample rate.
//
// The output takes the bytes at the write cursor in chunks; the play cursor is
// the byte being heard, estimated inside the last chunk handed out from the
// time that passed since, so it runs a little behind the write cursor. Bytes
// between the two are committed: rewriting them changes nothing that is heard.
//
// Writers fill regions through Lock/Unlock (one writer at a time); the bytes
// reach the ring at Unlock, so the output never sees a half-written region.
//
// Time is the sound system's clock (CSoundClock), which a test may drive; in
// its lockstep the output of a looping ring waits for bytes it took one round
// before to be written again rather than taking them as they are.
class CSoundRing {
public:
    using TClock = std::chrono::steady_clock;

    // bytes is a whole number of the format's blocks, at least one.
    CSoundRing(std::shared_ptr<CSoundSystem> system, const morvane::TDataFormat_AudioPcm& format, std::size_t bytes);
    ~CSoundRing();
    CSoundRing(const CSoundRing&) = delete;
    CSoundRing& operator=(const CSoundRing&) = delete;

    std::size_t Size() const { return m_data.size(); }
    const morvane::TDataFormat_AudioPcm& Format() const { return m_format; }

    // Memory for [offset, offset + bytes) that reaches the ring at Unlock;
    // null when the region does not lie inside the ring.
    std::uint8_t* Lock(std::size_t offset, std::size_t bytes);
    void Unlock();

    // Starts draining from the current position: round and round, or once up
    // to the end of the ring, after which the ring stops by itself.
    void Play(bool looping);
    // Freezes the play cursor where it is; the write cursor falls back to it.
    void Stop();
    void SetCurrentPosition(std::size_t offset);
    // play <= write (modulo the ring); once-through playing may end at Size().
    void GetCurrentPosition(std::size_t& play, std::size_t& write) const;
    // True while playing, including the last chunk of a once-through play
    // until it has been heard.
    bool IsPlaying() const;

    // Called by the output: fills out with the next bytes (silence when stopped).
    void Render(std::uint8_t* out, std::size_t bytes);

private:
    TClock::time_point Now() const;
    std::size_t PlayCursorLocked(TClock::time_point now) const;
    void Take(std::uint8_t* out, std::size_t bytes);
    // Lockstep: no byte of [from, from + bytes) (round the ring) was taken
    // since it was last written.
    bool Renewed(std::size_t from, std::size_t bytes) const;
    void MarkTaken(std::size_t from, std::size_t bytes, bool taken);

    std::shared_ptr<CSoundSystem> m_system;
    const morvane::TDataFormat_AudioPcm m_format;
    const std::uint32_t m_bytesPerSecond;
    const std::uint32_t m_blockSize;
    const std::uint8_t m_zeroByte;
    const bool m_lockstep;

    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_data;
    // Lockstep: 1 for each byte the output took that no writer has written
    // since; the output waits on m_renewed for them.
    std::vector<std::uint8_t> m_taken;
    std::condition_variable m_renewed;
    std::size_t m_readPos = 0;
    bool m_playing = false;
    bool m_looping = false;
    // The last chunk handed to the output and when.
    std::size_t m_chunkStart = 0;
    std::size_t m_chunkBytes = 0;
    TClock::time_point m_chunkTime{};
    TClock::time_point m_drainUntil{};

    // Writer side (one writer at a time, not shared with the output).
    std::vector<std::uint8_t> m_scratch;
    std::size_t m_lockOffset = 0;
    std::size_t m_lockBytes = 0;

    // Started at Play, ended at Stop; guarded by m_outputMutex.
    std::mutex m_outputMutex;
    std::unique_ptr<CSoundOutput> m_output;
};

} // namespace mrvx_std_dxa8
