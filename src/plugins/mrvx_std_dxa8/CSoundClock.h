#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace mrvx_std_dxa8 {

class CSoundOutput;
class CSoundRing;

// The time that rings and outputs go by, and how outputs keep pace.
//
// Normally that is the steady clock, and outputs take their chunks as a card
// would, whether or not the ring was refilled in time. A test may take the
// time into its own hands instead (UseManualClock): the clock then stands
// still until Advance moves it, and outputs take each chunk at the moment it
// falls due on the way, so what is heard when no longer depends on how busy
// the machine is.
//
// In lockstep (SetLockstep, or MRVX_STD_DXA8_LOCKSTEP=1 in the environment)
// an output that streams from a looping ring waits until the ring's writer has
// renewed what it took one round before, instead of playing the old bytes
// again as a late card would. A card cannot wait; a test of what reaches it
// can, and then does not depend on how soon the refill thread runs.
class CSoundClock {
public:
    using TClock = std::chrono::steady_clock;

    CSoundClock();
    ~CSoundClock();
    CSoundClock(const CSoundClock&) = delete;
    CSoundClock& operator=(const CSoundClock&) = delete;

    TClock::time_point Now() const;

    bool Lockstep() const { return m_lockstep.load(); }
    // Takes effect for rings made afterwards.
    void SetLockstep(bool on) { m_lockstep = on; }

    // From now on time stands still until Advance moves it; for rings that
    // start playing afterwards. Implies lockstep.
    void UseManualClock();
    bool IsManual() const { return m_manual.load(); }
    // Moves the manual clock on by step. Every output takes, in order of
    // time, the chunks that fall due on the way, each at its own moment (in
    // lockstep, after the ring's writer has renewed it). Does nothing when
    // the clock is not manual.
    void Advance(std::chrono::nanoseconds step);
    // A card that falls behind: while held, Advance moves the time but no
    // output takes a chunk; once released, the next Advance lets them take
    // at once what fell due meanwhile.
    void HoldOutputs(bool held) { m_held = held; }

    // An output that takes chunkFrames frames of ring at a time as Advance
    // passes their moments; the first one falls due at once.
    std::unique_ptr<CSoundOutput> OpenManualOutput(CSoundRing& ring, std::uint32_t chunkFrames);

private:
    class CManualOutput;

    std::atomic<bool> m_lockstep{false};
    std::atomic<bool> m_manual{false};
    std::atomic<bool> m_held{false};
    // The manual time, in nanoseconds of the steady clock.
    std::atomic<std::int64_t> m_manualNow{0};
    // Held while Advance renders, so that no output goes away meanwhile.
    std::mutex m_outputsMutex;
    std::vector<CManualOutput*> m_outputs;
};

} // namespace mrvx_std_dxa8
