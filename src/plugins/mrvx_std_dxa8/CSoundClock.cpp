#include "CSoundClock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "CSoundRing.h"

namespace mrvx_std_dxa8 {

namespace {

std::int64_t Nanoseconds(CSoundClock::TClock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

} // namespace

// Takes a chunk of its ring whenever the manual clock passes the chunk's
// moment: chunk k falls due k chunk lengths after the output opened.
class CSoundClock::CManualOutput : public CSoundOutput {
public:
    CManualOutput(CSoundClock& clock, CSoundRing& ring, std::uint32_t chunkFrames)
        : m_clock(clock),
          m_ring(ring),
          m_chunkFrames(chunkFrames),
          m_rate(std::max<std::uint32_t>(1, ring.Format().samplesPerSecond)),
          m_chunk(static_cast<std::size_t>(chunkFrames) * std::max<std::uint32_t>(1, ring.Format().GetBlockSize())),
          m_start(clock.m_manualNow.load())
    {
        std::lock_guard<std::mutex> guard(m_clock.m_outputsMutex);
        m_clock.m_outputs.push_back(this);
    }

    ~CManualOutput() override
    {
        std::lock_guard<std::mutex> guard(m_clock.m_outputsMutex);
        m_clock.m_outputs.erase(std::find(m_clock.m_outputs.begin(), m_clock.m_outputs.end(), this));
    }

    std::int64_t Due() const
    {
        return m_start + static_cast<std::int64_t>(m_frames * 1000000000ull / m_rate);
    }

    void TakeChunk()
    {
        m_ring.Render(m_chunk.data(), m_chunk.size());
        m_frames += m_chunkFrames;
    }

private:
    CSoundClock& m_clock;
    CSoundRing& m_ring;
    const std::uint32_t m_chunkFrames;
    const std::uint64_t m_rate;
    std::vector<std::uint8_t> m_chunk;
    const std::int64_t m_start;
    std::uint64_t m_frames = 0;
};

CSoundClock::CSoundClock()
{
    const char* lockstep = std::getenv("MRVX_STD_DXA8_LOCKSTEP");
    m_lockstep = lockstep && *lockstep && std::strcmp(lockstep, "0") != 0;
}

CSoundClock::~CSoundClock() = default;

CSoundClock::TClock::time_point CSoundClock::Now() const
{
    if (!m_manual.load())
        return TClock::now();
    return TClock::time_point(std::chrono::nanoseconds(m_manualNow.load()));
}

void CSoundClock::UseManualClock()
{
    if (m_manual.load())
        return;
    m_manualNow = Nanoseconds(TClock::now());
    m_lockstep = true;
    m_manual = true;
}

void CSoundClock::Advance(std::chrono::nanoseconds step)
{
    if (!m_manual.load() || step.count() < 0)
        return;
    std::lock_guard<std::mutex> guard(m_outputsMutex);
    const std::int64_t target = m_manualNow.load() + step.count();
    while (!m_held.load()) {
        CManualOutput* next = nullptr;
        for (CManualOutput* output : m_outputs)
            if (output->Due() <= target && (!next || output->Due() < next->Due()))
                next = output;
        if (!next)
            break;
        // A chunk that fell due while the outputs were held is taken late, now.
        m_manualNow = std::max(m_manualNow.load(), next->Due());
        next->TakeChunk();
    }
    m_manualNow = target;
}

std::unique_ptr<CSoundOutput> CSoundClock::OpenManualOutput(CSoundRing& ring, std::uint32_t chunkFrames)
{
    return std::make_unique<CManualOutput>(*this, ring, chunkFrames);
}

} // namespace mrvx_std_dxa8
