#include "CDxAudioBuffer.h"

#include <algorithm>
#include <cstring>

#include "CSoundRing.h"
#include "CSoundSystem.h"
#include "CTickService.h"
#include "morvane/api/CException.h"

namespace mrvx_std_dxa8 {

using namespace morvane;

namespace {

constexpr float kStreamShortSeconds = 0.07f;
constexpr float kStreamSeconds = 0.2f;
constexpr float kStagingSeconds = 2.0f;

std::size_t BytesFor(const TDataFormat_AudioPcm& format, float seconds)
{
    auto frames = static_cast<std::uint64_t>(static_cast<double>(format.samplesPerSecond) * seconds);
    return static_cast<std::size_t>(std::max<std::uint64_t>(frames, 1) * format.GetBlockSize());
}

} // namespace

CDxAudioBuffer::CDxAudioBuffer(std::shared_ptr<CSoundSystem> system, IInputStream* source, TBufferingMode mode)
    : m_system(std::move(system)), m_source(source), m_mode(mode)
{
    const wchar_t* method = L"mrvx_std_dxa8::CDxAudioBuffer::CDxAudioBuffer";
    if (!m_source)
        MRV_THROW(CNullPtrException, method, L"Given input stream is NULL");
    // Any other value would size the ring from the stream's length, which may
    // be unknown.
    if (m_mode < BUFFERING_STABLE || m_mode > BUFFERING_STREAM_STAGED)
        MRV_THROW(CInvalidParameterException, method, L"Unknown buffering mode");
    const TDataFormat* format = m_source->GetFormat();
    if (!format || format->formatId != kAudioPcmFormatId || format->size < sizeof(TDataFormat_AudioPcm))
        MRV_THROW(CDeviceFailedException, method, L"CreateSoundBuffer failed");
    m_format = *static_cast<const TDataFormat_AudioPcm*>(format);
    if (m_format.GetBlockSize() == 0 || m_format.samplesPerSecond == 0)
        MRV_THROW(CDeviceFailedException, method, L"CreateSoundBuffer failed");
    m_caps = m_source->GetCaps();

    bool hasLength = false;
    if (m_caps & STREAM_CAN_GET_LENGTH) {
        try {
            m_length = m_source->GetLength();
            hasLength = true;
        } catch (const COperationNotSupportedException&) {
        }
    }
    const bool whole = m_mode == BUFFERING_STABLE || m_mode == BUFFERING_FULL;
    if (!hasLength && whole)
        MRV_THROW(CDeviceFailedException, method,
                  L"Cannot use STABLE or FULL buffering mode with source with unknown length");
    m_loopEnd = hasLength ? m_length : 0;

    if (whole) {
        // The whole stream, counted in bytes: a length in seconds would lose
        // the last frame to rounding. A stream shorter than a frame still
        // gets a ring of one frame (of silence).
        const std::uint32_t block = m_format.GetBlockSize();
        m_bufferBytes = static_cast<std::size_t>(std::max<std::uint64_t>(m_length - m_length % block, block));
    } else
        m_bufferBytes =
            BytesFor(m_format, m_mode == BUFFERING_STREAM_SHORT ? kStreamShortSeconds : kStreamSeconds);

    if (!m_system)
        MRV_THROW(CDeviceFailedException, method, L"CreateSoundBuffer failed");
    m_ring = std::make_unique<CSoundRing>(m_system, m_format, m_bufferBytes);
    m_positions = std::make_unique<std::atomic<std::uint64_t>[]>(m_bufferBytes);
    for (std::size_t i = 0; i < m_bufferBytes; ++i)
        m_positions[i].store(i, std::memory_order_relaxed);
    m_scratchPositions.resize(m_bufferBytes);
    m_minLeadBytes = m_bufferBytes;
    if (m_mode == BUFFERING_STREAM_STAGED) {
        std::size_t staging = BytesFor(m_format, kStagingSeconds);
        m_staging.resize(staging);
        m_stagingPositions.resize(staging);
    }
    if (CanTell()) {
        try {
            m_sourcePos = m_source->Tell();
        } catch (const COperationNotSupportedException&) {
        }
    }
}

CDxAudioBuffer::~CDxAudioBuffer()
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    m_playing = false;
    StopThreads();
    m_ring.reset();
}

CTickService& CDxAudioBuffer::RefillTicks()
{
    switch (m_mode) {
    case BUFFERING_STABLE:
        return *m_privateTicks;
    case BUFFERING_FULL:
    case BUFFERING_STREAM_SHORT:
        return CTickService::Shared5ms();
    default:
        return CTickService::Shared40ms();
    }
}

// ---- reading the source -------------------------------------------------

std::uint64_t CDxAudioBuffer::SourceTell() { return CanTell() ? m_source->Tell() : m_sourcePos; }

void CDxAudioBuffer::SourceSeek(std::uint64_t position)
{
    m_source->Seek(position);
    m_sourcePos = position;
}

std::size_t CDxAudioBuffer::ReadSource(std::uint8_t* dst, std::uint64_t* pos, std::size_t n, std::uint64_t& endMark)
{
    std::size_t done = 0;
    while (done < n) {
        std::uint64_t at = SourceTell();
        std::size_t want = n - done;
        const std::uint64_t loopEnd = m_loopEnd.load();
        if (m_loop && loopEnd != 0) {
            // At or past the loop end (a seek may land beyond it) the loop
            // starts again.
            std::uint64_t toLoop = at < loopEnd ? loopEnd - at : 0;
            if (toLoop == 0) {
                SourceSeek(m_loopStart.load());
                at = SourceTell();
                toLoop = at < loopEnd ? loopEnd - at : 0;
                if (toLoop == 0)
                    MRV_THROW(CBugException, L"mrvx_std_dxa8::CDxAudioBuffer::FillBuffer1FromSource",
                              L"bytesToLoop<=0 after loop");
            }
            want = static_cast<std::size_t>(std::min<std::uint64_t>(want, toLoop));
        }
        std::size_t got = static_cast<std::size_t>(m_source->Read(dst + done, want));
        got = std::min(got, want);
        for (std::size_t i = 0; i < got; ++i)
            pos[done + i] = at + i;
        m_sourcePos = at + got;
        done += got;
        if (got == 0) {
            if (m_source->Eof()) {
                endMark = kAllOnes;
                m_endPosition = at;
                m_endReached = true;
            } else
                endMark = at;
            break;
        }
    }
    return done;
}

void CDxAudioBuffer::FillRegion(std::size_t from, std::size_t to)
{
    if (to <= from)
        return;
    const std::size_t n = to - from;
    std::uint8_t* dst = m_ring->Lock(from, n);
    if (!dst)
        return; // a region that cannot be locked is skipped
    const bool staged = m_mode == BUFFERING_STREAM_STAGED;
    std::uint64_t* pos = m_scratchPositions.data() + from;
    std::uint64_t endMark = kAllOnes;
    std::size_t got = 0;
    try {
        got = staged ? TakeStaged(dst, pos, n, endMark) : ReadSource(dst, pos, n, endMark);
    } catch (...) {
        m_ring->Unlock();
        throw;
    }
    if (got < n) {
        // The source has nothing more (ended) or nothing yet (stalled): the
        // rest is silence, marked so that the end can be heard.
        std::memset(dst + got, m_format.GetZeroByte(), n - got);
        std::fill(pos + got, pos + n, endMark);
        if (endMark != kAllOnes)
            m_stalledBytes += n - got;
    }
    for (std::size_t i = 0; i < n; ++i)
        m_positions[from + i].store(pos[i], std::memory_order_relaxed);
    m_ring->Unlock();
    if (staged)
        m_events.Set(kStagingRoom);
}

void CDxAudioBuffer::FillWrapped(std::size_t from, std::size_t to)
{
    if (from < to)
        FillRegion(from, to);
    else if (from > to) {
        FillRegion(from, m_bufferBytes);
        FillRegion(0, to);
    }
}

void CDxAudioBuffer::WriteWhole()
{
    if (!m_refillAll || !m_source)
        return;
    FillRegion(0, m_bufferBytes);
    m_refillAll = false;
}

void CDxAudioBuffer::ReadPlayCursor()
{
    std::size_t play = 0, write = 0;
    m_ring->GetCurrentPosition(play, write);
    m_playCursor = std::min(play, m_bufferBytes - 1);
}

void CDxAudioBuffer::FillBuffer()
{
    if (m_refillAll) {
        FillRegion(0, m_bufferBytes);
        m_writePos = m_playCursor;
        m_refillAll = false;
        return;
    }
    const std::size_t play = m_playCursor;
    if (m_rewriteRing) {
        // A flush found an output that had heard all it took: everything is
        // new, from where the output takes next.
        m_rewriteRing = false;
        FillRegion(m_writePos, m_bufferBytes);
        FillRegion(0, m_writePos);
        return;
    }
    const std::size_t used = (play + m_bufferBytes - m_writePos) % m_bufferBytes;
    if (m_bufferBytes - used < m_minLeadBytes)
        m_minLeadBytes = m_bufferBytes - used;
    FillWrapped(m_writePos, play);
    m_writePos = play;
}

// ---- mode 4 staging -----------------------------------------------------

void CDxAudioBuffer::EmptyStaging()
{
    std::lock_guard<std::mutex> guard(m_stagingMutex);
    m_stagingRead = m_stagingWrite = 0;
    m_stagingEmpty = true;
    m_stagedEnd = false;
    m_nextStagedPosition = SourceTell();
}

void CDxAudioBuffer::FillStaging()
{
    const std::size_t size = m_staging.size();
    for (;;) {
        std::size_t from = 0, to = 0;
        {
            std::lock_guard<std::mutex> guard(m_stagingMutex);
            if (m_stagedEnd)
                return;
            if (m_stagingEmpty)
                m_stagingRead = m_stagingWrite = 0;
            from = m_stagingWrite;
            if (m_stagingEmpty || m_stagingWrite > m_stagingRead)
                to = size;
            else if (m_stagingWrite < m_stagingRead)
                to = m_stagingRead;
            else
                return; // full
        }
        std::uint64_t endMark = kAllOnes;
        std::size_t got =
            ReadSource(m_staging.data() + from, m_stagingPositions.data() + from, to - from, endMark);
        std::lock_guard<std::mutex> guard(m_stagingMutex);
        if (got > 0) {
            m_stagingWrite = (from + got) % size;
            m_stagingEmpty = false;
            m_nextStagedPosition = m_stagingPositions[from + got - 1] + 1;
        }
        if (got < to - from) {
            if (endMark == kAllOnes)
                m_stagedEnd = true;
            else
                m_nextStagedPosition = endMark;
            return;
        }
    }
}

std::size_t CDxAudioBuffer::TakeStaged(std::uint8_t* dst, std::uint64_t* pos, std::size_t n, std::uint64_t& endMark)
{
    std::size_t done = 0;
    const std::size_t size = m_staging.size();
    std::lock_guard<std::mutex> guard(m_stagingMutex);
    while (done < n && !m_stagingEmpty) {
        std::size_t end = m_stagingWrite > m_stagingRead ? m_stagingWrite : size;
        std::size_t run = std::min(n - done, end - m_stagingRead);
        std::memcpy(dst + done, m_staging.data() + m_stagingRead, run);
        std::copy_n(m_stagingPositions.data() + m_stagingRead, run, pos + done);
        done += run;
        m_stagingRead = (m_stagingRead + run) % size;
        if (m_stagingRead == m_stagingWrite)
            m_stagingEmpty = true;
    }
    if (done < n) {
        if (m_stagedEnd) {
            endMark = kAllOnes;
            m_endReached = true;
            m_endPosition = m_nextStagedPosition;
        } else
            endMark = m_nextStagedPosition;
    }
    return done;
}

// ---- threads ------------------------------------------------------------

void CDxAudioBuffer::JoinThreads()
{
    // A buffer thread that stops playback itself cannot join itself.
    auto self = std::this_thread::get_id();
    if (m_thread.joinable() && m_thread.get_id() != self)
        m_thread.join();
    if (m_readerThread.joinable() && m_readerThread.get_id() != self)
        m_readerThread.join();
}

void CDxAudioBuffer::StartThreads()
{
    JoinThreads();
    m_events.Reset(kStop | kStarted | kStagedStarted | kTick | kStagingRoom);
    unsigned wanted = kStarted;
    switch (m_mode) {
    case BUFFERING_STABLE:
        if (!m_privateTicks)
            m_privateTicks = std::make_unique<CTickService>(std::chrono::milliseconds(5));
        m_thread = std::thread(&CDxAudioBuffer::WatchThread, this);
        break;
    case BUFFERING_FULL:
        m_thread = std::thread(&CDxAudioBuffer::WatchThread, this);
        break;
    case BUFFERING_STREAM_STAGED:
        FillStaging();
        FillBuffer();
        FillStaging();
        m_thread = std::thread(&CDxAudioBuffer::RefillThread, this);
        m_readerThread = std::thread(&CDxAudioBuffer::ReaderThread, this);
        wanted |= kStagedStarted;
        break;
    default:
        FillBuffer();
        m_thread = std::thread(&CDxAudioBuffer::RefillThread, this);
        break;
    }
    m_events.WaitAll(wanted);
}

void CDxAudioBuffer::StopThreads()
{
    m_events.Set(kStop);
    JoinThreads();
    m_events.Reset(kStop);
}

bool CDxAudioBuffer::TryStopFromThread()
{
    std::unique_lock<std::recursive_mutex> lock(m_opMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return false;
    try {
        Stop();
    } catch (...) {
        // Reported when thrown: only the rewind failed, playback has stopped
        // and the ended event is set. Nothing may leave the thread.
    }
    return true;
}

void CDxAudioBuffer::RefillThread()
{
    CTickService& ticks = RefillTicks();
    bool failed = false;
    try {
        ReadPlayCursor();
        FillBuffer();
    } catch (...) {
        failed = true;
    }
    m_events.Set(kStarted);
    ticks.Register(&m_events, kTick);
    while (!failed) {
        if (m_events.WaitAny(kTick | kStop) & kStop)
            break;
        m_events.Reset(kTick);
        try {
            ReadPlayCursor();
            FillBuffer();
        } catch (...) {
            failed = true; // reported when thrown; playback stops below
            break;
        }
        // Silence after the end has reached the ear: the stream is over.
        if (m_endReached && m_positions[m_playCursor].load(std::memory_order_relaxed) == kAllOnes &&
            TryStopFromThread())
            break;
    }
    while (failed && !TryStopFromThread())
        if (m_events.WaitAnyFor(kStop, std::chrono::milliseconds(5)))
            break;
    ticks.Unregister(&m_events, kTick);
    CSoundSystem::ThreadEnds();
}

void CDxAudioBuffer::WatchThread()
{
    CTickService& ticks = RefillTicks();
    m_events.Set(kStarted);
    ticks.Register(&m_events, kTick);
    for (;;) {
        if (m_events.WaitAny(kTick | kStop) & kStop)
            break;
        m_events.Reset(kTick);
        std::size_t play = 0, write = 0;
        m_ring->GetCurrentPosition(play, write);
        const std::uint64_t loopEnd = m_loopEnd.load();
        if (m_ring->IsPlaying()) {
            if (m_loop && loopEnd != 0 && play >= loopEnd)
                m_ring->SetCurrentPosition(static_cast<std::size_t>(m_loopStart.load()));
        } else if (m_loop) {
            m_ring->SetCurrentPosition(static_cast<std::size_t>(m_loopStart.load()));
            m_ring->Play(false);
        } else if (TryStopFromThread())
            break;
    }
    ticks.Unregister(&m_events, kTick);
    CSoundSystem::ThreadEnds();
}

void CDxAudioBuffer::ReaderThread()
{
    m_events.Set(kStagedStarted);
    for (;;) {
        if (m_events.WaitAny(kStagingRoom | kStop) & kStop)
            break;
        m_events.Reset(kStagingRoom);
        try {
            FillStaging();
        } catch (...) {
            // Reported when thrown; the refill thread plays silence from here.
            std::lock_guard<std::mutex> guard(m_stagingMutex);
            m_stagedEnd = true;
        }
    }
}

// ---- operations ---------------------------------------------------------

void CDxAudioBuffer::Play()
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    if (m_playing)
        return;
    m_playing = true;
    m_events.Reset(kEnded);
    try {
        switch (m_mode) {
        case BUFFERING_STABLE:
            WriteWhole();
            // A stable buffer never reads again.
            m_source.Reset();
            m_ring->Play(false);
            StartThreads();
            break;
        case BUFFERING_FULL:
            WriteWhole();
            m_ring->Play(false);
            StartThreads();
            break;
        default:
            ReadPlayCursor();
            StartThreads();
            m_ring->Play(true);
            break;
        }
    } catch (...) {
        m_playing = false;
        StopThreads();
        m_ring->Stop();
        throw;
    }
}

void CDxAudioBuffer::Pause()
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    if (!m_playing)
        return;
    m_playing = false;
    // The threads end first: a watch thread that finds the ring stopped with
    // the loop on would start it again. A buffer thread that stops playback
    // itself is joined by the next Play or the destructor.
    StopThreads();
    m_ring->Stop();
}

void CDxAudioBuffer::Stop()
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    Pause();
    m_events.Set(kEnded);
    try {
        SeekTime(0);
    } catch (const COperationNotSupportedException&) {
        // A source that cannot seek stays where it is.
    }
}

void CDxAudioBuffer::SeekTime(float seconds)
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    std::int64_t byte = std::max<std::int64_t>(0, m_format.TimeToByte(seconds));
    if (!Streaming()) {
        m_ring->SetCurrentPosition(static_cast<std::size_t>(std::min<std::uint64_t>(byte, m_bufferBytes)));
        return;
    }
    if (!CanSeek())
        MRV_THROW(COperationNotSupportedException, L"mrvx_std_dxa8::CDxAudioBuffer::SeekTime",
                  L"Stream does not support Seek");
    FlushAndSeek(static_cast<std::uint64_t>(byte));
}

void CDxAudioBuffer::FlushAndSeek(std::uint64_t position)
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    const wchar_t* method = L"mrvx_std_dxa8::CDxAudioBuffer::FlushAndSeek";
    if (m_mode == BUFFERING_STABLE)
        MRV_THROW(COperationNotSupportedException, method, L"Stable buffer cannot be flushed");
    if (!CanSeek())
        MRV_THROW(COperationNotSupportedException, method, L"Stream does not support Seek");
    if (m_mode != BUFFERING_FULL && !CanTell())
        MRV_THROW(COperationNotSupportedException, method, L"Stream does not support Tell");

    if (!m_playing) {
        try {
            if (m_mode == BUFFERING_FULL) {
                SourceSeek(0);
            } else {
                SourceSeek(position);
                m_ring->SetCurrentPosition(0);
                m_playCursor = 0;
                m_writePos = 0;
                if (m_mode == BUFFERING_STREAM_STAGED)
                    EmptyStaging();
            }
        } catch (const COperationNotSupportedException&) {
            MRV_THROW(CBugException, L"mrvx_std_dxa8::CDxAudioBuffer::FlushAndSeek_NotPlaying",
                      L"Stream does not support Seek");
        }
        m_refillAll = true;
        m_endReached = false;
    } else if (m_mode == BUFFERING_FULL) {
        SourceSeek(0);
        m_endReached = false;
        m_refillAll = true;
        WriteWhole();
    } else {
        // Keep what the output has already taken, rewrite everything else
        // from the new position.
        StopThreads();
        std::size_t play = 0, write = 0;
        m_ring->GetCurrentPosition(play, write);
        m_playCursor = std::min(play, m_bufferBytes - 1);
        m_writePos = write % m_bufferBytes;
        // Write cursor on the play cursor: the output has fallen behind (a
        // busy machine) and heard everything it took. Rewriting "from write
        // to play" would then rewrite nothing, and the seek would be heard
        // only a whole ring later.
        m_rewriteRing = m_writePos == m_playCursor;
        SourceSeek(position);
        if (m_mode == BUFFERING_STREAM_STAGED)
            EmptyStaging();
        // Cleared before the refill: a position near the end may reach it
        // at once, and playback must still stop there.
        m_endReached = false;
        StartThreads();
    }
}

float CDxAudioBuffer::TellTime()
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    std::size_t play = 0, write = 0;
    m_ring->GetCurrentPosition(play, write);
    play = std::min(play, m_bufferBytes - 1);
    if (Streaming()) {
        if (!CanTell())
            MRV_THROW(COperationNotSupportedException, L"mrvx_std_dxa8::CDxAudioBuffer::TellTime",
                      L"Stream does not support Tell");
        if (m_refillAll) {
            // Nothing written since the last flush: the source's position, but
            // a flush to "all ones" (loop switched on, end of stream) is
            // reported as the place where playback will really start.
            std::uint64_t position = SourceTell();
            const std::uint64_t loopEnd = m_loopEnd.load();
            if (m_loop && loopEnd != 0 && position >= loopEnd)
                position = m_loopStart.load();
            else if (m_length != kAllOnes && position > m_length)
                position = m_length;
            return m_format.ByteToTime(position);
        }
    }
    std::uint64_t position = m_positions[play].load(std::memory_order_relaxed);
    // Silence after the end is heard as the end of the stream.
    if (position == kAllOnes)
        position = Streaming() ? m_endPosition.load() : m_length;
    return m_format.ByteToTime(position);
}

float CDxAudioBuffer::GetTimeLength()
{
    if (m_length == kAllOnes)
        MRV_THROW(COperationNotSupportedException, L"mrvx_std_dxa8::CDxAudioBuffer::GetTimeLength",
                  L"Stream does not support GetLength");
    return m_format.ByteToTime(m_length);
}

void CDxAudioBuffer::EnableLoop(bool on)
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    const wchar_t* method = L"mrvx_std_dxa8::CDxAudioBuffer::EnableLoop";
    if (!Streaming()) {
        m_loop = on;
        return;
    }
    if (on) {
        if (!CanSeek() && !CanTell())
            MRV_THROW(COperationNotSupportedException, method, L"Stream does not support Seek/Tell");
        if (m_loopEnd == 0)
            MRV_THROW(COperationNotSupportedException, method, L"Stream does not support GetLength");
    }
    m_loop = on;
    if (on)
        FlushAndSeek(kAllOnes);
}

void CDxAudioBuffer::SetLoopTimes(float start, float end)
{
    std::lock_guard<std::recursive_mutex> guard(m_opMutex);
    const wchar_t* method = L"mrvx_std_dxa8::CDxAudioBuffer::SetLoopTimes";
    std::uint64_t endByte = 0;
    if (end <= 0) {
        if (m_length == kAllOnes)
            MRV_THROW(COperationNotSupportedException, method, L"Stream does not support GetLength");
        // The whole length, in exact bytes.
        endByte = m_length;
        end = m_format.ByteToTime(m_length);
    } else
        endByte = static_cast<std::uint64_t>(m_format.TimeToByte(end));
    if (start < 0)
        MRV_THROW(CInvalidParameterException, method, L"startTime < 0");
    if (start >= end)
        MRV_THROW(CInvalidParameterException, method, L"startTime >= endTime");
    const std::uint64_t startByte = static_cast<std::uint64_t>(m_format.TimeToByte(start));
    if (!Streaming()) {
        m_loopStart = startByte;
        m_loopEnd = endByte;
        return;
    }
    if (!CanSeek() && !CanTell())
        MRV_THROW(COperationNotSupportedException, method, L"Stream does not support Tell or Seek");
    m_loopStart = startByte;
    m_loopEnd = endByte;
    if (m_loop)
        FlushAndSeek(kAllOnes);
}

} // namespace mrvx_std_dxa8
