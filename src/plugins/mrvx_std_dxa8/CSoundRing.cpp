#include "CSoundRing.h"

#include <algorithm>
#include <cstring>

#include "CSoundClock.h"
#include "CSoundSystem.h"

namespace mrvx_std_dxa8 {

CSoundRing::CSoundRing(std::shared_ptr<CSoundSystem> system, const morvane::TDataFormat_AudioPcm& format,
                       std::size_t bytes)
    : m_system(std::move(system)),
      m_format(format),
      m_bytesPerSecond(format.GetBytesPerSec()),
      m_blockSize(std::max<std::uint32_t>(1, format.GetBlockSize())),
      m_zeroByte(format.GetZeroByte()),
      m_lockstep(m_system && m_system->Clock().Lockstep()),
      m_data(bytes, format.GetZeroByte()),
      m_taken(m_lockstep ? bytes : 0),
      m_scratch(bytes)
{
}

CSoundRing::~CSoundRing() { Stop(); }

std::uint8_t* CSoundRing::Lock(std::size_t offset, std::size_t bytes)
{
    if (offset > m_data.size() || bytes > m_data.size() - offset)
        return nullptr;
    m_lockOffset = offset;
    m_lockBytes = bytes;
    return m_scratch.data();
}

void CSoundRing::Unlock()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        std::memcpy(m_data.data() + m_lockOffset, m_scratch.data(), m_lockBytes);
        MarkTaken(m_lockOffset, m_lockBytes, false);
        m_lockBytes = 0;
    }
    m_renewed.notify_all();
}

CSoundRing::TClock::time_point CSoundRing::Now() const
{
    return m_system ? m_system->Clock().Now() : TClock::now();
}

void CSoundRing::Play(bool looping)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_looping = looping;
        if (m_readPos >= m_data.size())
            m_readPos = looping ? 0 : m_data.size();
        if (!m_playing) {
            m_playing = true;
            m_chunkStart = m_readPos;
            m_chunkBytes = 0;
            m_chunkTime = Now();
        }
    }
    std::lock_guard<std::mutex> outputGuard(m_outputMutex);
    if (!m_output && m_system)
        m_output = m_system->OpenOutput(*this, looping);
}

void CSoundRing::Stop()
{
    std::unique_ptr<CSoundOutput> output;
    {
        std::lock_guard<std::mutex> outputGuard(m_outputMutex);
        output = std::move(m_output);
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        auto now = Now();
        std::size_t play = PlayCursorLocked(now);
        m_playing = false;
        // What the output took beyond the play cursor was never heard: it is
        // taken again as it is.
        if (m_readPos != play)
            MarkTaken(play, (m_readPos + m_data.size() - play) % m_data.size(), false);
        m_readPos = play;
        m_chunkStart = play;
        m_chunkBytes = 0;
        m_chunkTime = now;
        m_drainUntil = {};
    }
    // A lockstep output waiting for a writer gives up and returns.
    m_renewed.notify_all();
    // Closing waits for the output's thread, which may be inside Render:
    // never with m_mutex held.
    output.reset();
}

void CSoundRing::SetCurrentPosition(std::size_t offset)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        offset = std::min(offset - offset % m_blockSize, m_data.size());
        m_readPos = offset;
        m_chunkStart = offset;
        m_chunkBytes = 0;
        m_chunkTime = Now();
        m_drainUntil = {};
    }
    m_renewed.notify_all();
}

void CSoundRing::GetCurrentPosition(std::size_t& play, std::size_t& write) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    play = PlayCursorLocked(Now());
    write = m_readPos;
}

bool CSoundRing::IsPlaying() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_playing || Now() < m_drainUntil;
}

std::size_t CSoundRing::PlayCursorLocked(TClock::time_point now) const
{
    std::size_t heard = m_chunkBytes;
    if (now < m_chunkTime)
        heard = 0;
    else if (m_bytesPerSecond > 0) {
        auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_chunkTime).count();
        auto bytes = static_cast<std::uint64_t>(static_cast<double>(elapsed) * m_bytesPerSecond / 1e9);
        bytes -= bytes % m_blockSize;
        heard = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, m_chunkBytes));
    }
    std::size_t play = m_chunkStart + heard;
    // A looping chunk may run over the end of the ring; a once-through one
    // ends on it.
    if (play > m_data.size() || (m_looping && play == m_data.size()))
        play -= m_data.size();
    return play;
}

void CSoundRing::Render(std::uint8_t* out, std::size_t bytes)
{
    Take(out, bytes);
    if (m_system)
        m_system->NotifyRendered(out, bytes);
}

bool CSoundRing::Renewed(std::size_t from, std::size_t bytes) const
{
    const std::size_t size = m_data.size();
    bytes = std::min(bytes, size);
    for (std::size_t i = 0, at = from % size; i < bytes; ++i, at = at + 1 == size ? 0 : at + 1)
        if (m_taken[at])
            return false;
    return true;
}

void CSoundRing::MarkTaken(std::size_t from, std::size_t bytes, bool taken)
{
    if (!m_lockstep || bytes == 0)
        return;
    const std::size_t size = m_data.size();
    from %= size;
    bytes = std::min(bytes, size);
    const std::size_t first = std::min(bytes, size - from);
    std::fill_n(m_taken.begin() + static_cast<std::ptrdiff_t>(from), first, taken);
    std::fill_n(m_taken.begin(), bytes - first, taken);
}

void CSoundRing::Take(std::uint8_t* out, std::size_t bytes)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // Only a looping ring is written again behind its output.
    if (m_lockstep && m_looping)
        m_renewed.wait(lock, [&] { return !m_playing || Renewed(m_readPos, bytes); });
    auto now = Now();
    m_chunkStart = m_readPos;
    m_chunkTime = now;
    std::size_t copied = 0;
    while (m_playing && copied < bytes) {
        std::size_t run = std::min(bytes - copied, m_data.size() - m_readPos);
        std::memcpy(out + copied, m_data.data() + m_readPos, run);
        if (m_looping)
            MarkTaken(m_readPos, run, true);
        copied += run;
        m_readPos += run;
        if (m_readPos == m_data.size()) {
            if (m_looping)
                m_readPos = 0;
            else {
                // The end of a once-through play: what is left of the chunk
                // is silence; the ring counts as playing until it is heard.
                m_playing = false;
                m_drainUntil = now + std::chrono::nanoseconds(
                                         static_cast<std::int64_t>(copied * 1e9 / std::max<std::uint32_t>(1, m_bytesPerSecond)));
            }
        }
    }
    m_chunkBytes = copied;
    if (copied < bytes)
        std::memset(out + copied, m_zeroByte, bytes - copied);
}

} // namespace mrvx_std_dxa8
