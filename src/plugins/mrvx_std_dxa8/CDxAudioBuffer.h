#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CEventSet.h"
#include "morvane/api/CRef.h"
#include "morvane/data/IStream.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/devices/IDevice.h"

namespace mrvx_std_dxa8 {

class CSoundRing;
class CSoundSystem;
class CTickService;

// Plays one PCM input stream through a sound ring. Depending on the buffering
// mode the ring holds the whole stream (modes 0 and 1, watched for its end and
// for loops) or a short window of it that a refill thread keeps filled up to
// the play cursor on a periodic tick (modes 2 to 4; mode 4 reads the source on
// a thread of its own into a 2 s staging buffer).
//
// For every ring byte the buffer remembers which source byte it holds, so the
// time being heard is exact across loops and seeks; the all-ones position
// marks silence after the end of the stream.
//
// The operations may be called from any thread; they are serialised. Only the
// buffer's own threads read the source while it plays.
class CDxAudioBuffer {
public:
    static constexpr std::uint64_t kAllOnes = ~std::uint64_t(0);

    CDxAudioBuffer(std::shared_ptr<CSoundSystem> system, morvane::IInputStream* source, morvane::TBufferingMode mode);
    ~CDxAudioBuffer();
    CDxAudioBuffer(const CDxAudioBuffer&) = delete;
    CDxAudioBuffer& operator=(const CDxAudioBuffer&) = delete;

    void Play();
    void Pause();
    void Stop();
    void SeekTime(float seconds);
    void FlushAndSeek(std::uint64_t position);
    float TellTime();
    float GetTimeLength();
    void EnableLoop(bool on);
    void SetLoopTimes(float start, float end);

    bool IsPlaying() const { return m_playing.load(); }
    // The ended event: set by Stop (and so when the stream has played to its
    // end), reset by Play.
    bool HasEnded() const { return m_events.IsSet(kEnded); }
    bool WaitEnded(std::chrono::milliseconds timeout) { return m_events.WaitAnyFor(kEnded, timeout) != 0; }

    morvane::TBufferingMode Mode() const { return m_mode; }
    std::size_t BufferBytes() const { return m_bufferBytes; }
    const morvane::TDataFormat_AudioPcm& Format() const { return m_format; }
    // Silence written because the source had nothing yet (not at its end).
    std::uint64_t StalledBytes() const { return m_stalledBytes.load(); }
    // The least audio found ahead of the play cursor at a refill, in bytes
    // (the ring size before the first refill): near 0 means the output was
    // about to play what had not been refilled.
    std::size_t MinLeadBytes() const { return m_minLeadBytes.load(); }

private:
    enum : unsigned {
        kStarted = 1,
        kStagedStarted = 2,
        kStop = 4,
        kEnded = 8,
        kStagingRoom = 16,
        kTick = 32,
    };

    bool Streaming() const { return m_mode >= morvane::BUFFERING_STREAM_SHORT; }
    bool CanSeek() const { return (m_caps & morvane::STREAM_CAN_SEEK) != 0; }
    bool CanTell() const { return (m_caps & morvane::STREAM_CAN_TELL) != 0; }
    CTickService& RefillTicks();

    // Reads up to n source bytes into dst, looping at the loop end; pos gets
    // the source position of each byte. Returns fewer than n when the source
    // ended (endMark all ones) or stalled (endMark the position it stalled at).
    std::size_t ReadSource(std::uint8_t* dst, std::uint64_t* pos, std::size_t n, std::uint64_t& endMark);
    std::uint64_t SourceTell();
    void SourceSeek(std::uint64_t position);
    // As ReadSource, from the staging buffer (mode 4): fewer than n when it
    // ran empty, endMark all ones when the source has ended behind it.
    std::size_t TakeStaged(std::uint8_t* dst, std::uint64_t* pos, std::size_t n, std::uint64_t& endMark);
    // Writes ring bytes [from, to) (no wrap-around) from the source, or in
    // mode 4 from the staging buffer.
    void FillRegion(std::size_t from, std::size_t to);
    void FillWrapped(std::size_t from, std::size_t to);
    void WriteWhole();
    // Everything from the write position up to the play cursor.
    void FillBuffer();
    void FillStaging();
    void EmptyStaging();
    void ReadPlayCursor();

    void StartThreads();
    void StopThreads();
    void JoinThreads();
    void RefillThread();
    void WatchThread();
    void ReaderThread();
    // Stop() from a buffer thread: only when no caller is inside an operation
    // (that caller may be waiting for this very thread). A failed rewind is
    // swallowed: the thread ends either way.
    bool TryStopFromThread();

    std::shared_ptr<CSoundSystem> m_system;
    morvane::CRef<morvane::IInputStream> m_source;
    const morvane::TBufferingMode m_mode;
    morvane::TDataFormat_AudioPcm m_format{};
    unsigned int m_caps = 0;

    std::uint64_t m_length = kAllOnes;
    std::atomic<std::uint64_t> m_loopStart{0};
    std::atomic<std::uint64_t> m_loopEnd{0};
    std::atomic<bool> m_loop{false};

    std::size_t m_bufferBytes = 0;
    std::unique_ptr<CSoundRing> m_ring;
    std::unique_ptr<std::atomic<std::uint64_t>[]> m_positions;
    std::vector<std::uint64_t> m_scratchPositions;
    std::atomic<std::size_t> m_playCursor{0};
    std::size_t m_writePos = 0;
    bool m_rewriteRing = false; // set by a flush while the threads are stopped
    std::uint64_t m_sourcePos = 0; // kept for sources that cannot tell
    std::atomic<std::uint64_t> m_endPosition{0};

    // Mode 4 staging ring; offsets under m_stagingMutex. The reader thread
    // writes the free part, the refill thread reads the filled part.
    std::vector<std::uint8_t> m_staging;
    std::vector<std::uint64_t> m_stagingPositions;
    std::mutex m_stagingMutex;
    std::size_t m_stagingRead = 0;
    std::size_t m_stagingWrite = 0;
    bool m_stagingEmpty = true;
    bool m_stagedEnd = false;
    std::uint64_t m_nextStagedPosition = 0;

    std::atomic<bool> m_refillAll{true};
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_endReached{false};
    std::atomic<std::uint64_t> m_stalledBytes{0};
    std::atomic<std::size_t> m_minLeadBytes{0};

    std::recursive_mutex m_opMutex;
    CEventSet m_events;
    std::unique_ptr<CTickService> m_privateTicks; // mode 0
    std::thread m_thread;       // refill or watch thread
    std::thread m_readerThread; // mode 4
};

} // namespace mrvx_std_dxa8
