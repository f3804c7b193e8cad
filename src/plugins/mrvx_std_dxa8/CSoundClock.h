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
//
// An interface, so that a program reaches the clock of a device that the
// framework made in the loaded plug-in (through the device's GetSoundSystem)
// rather than a copy of this code of its own.
class ISoundClock {
public:
    using TClock = std::chrono::steady_clock;

    virtual TClock::time_point Now() const = 0;

    virtual bool Lockstep() const = 0;
    // Takes effect for rings made afterwards.
    virtual void SetLockstep(bool on) = 0;

    // From now on time stands still until Advance moves it; for rings that
    // start playing afterwards. Implies lockstep.
    virtual void UseManualClock() = 0;
    virtual bool IsManual() const = 0;
    // Moves the manual clock on by step. Every output takes, in order of
    // time, the chunks that fall due on the way, each at its own moment (in
    // lockstep, after the ring's writer has renewed it). Does nothing when
    // the clock is not manual.
    virtual void Advance(std::chrono::nanoseconds step) = 0;
    // A card that falls behind: while held, Advance moves the time but no
    // output takes a chunk; once released, the next Advance lets them take
    // at once what fell due meanwhile.
    virtual void HoldOutputs(bool held) = 0;

    // An output that takes chunkFrames frames of ring at a time as Advance
    // passes their moments; the first one falls due at once.
    virtual std::unique_ptr<CSoundOutput> OpenManualOutput(CSoundRing& ring, std::uint32_t chunkFrames) = 0;

protected:
    ~ISoundClock() = default;
};

class CSoundClock final : public ISoundClock {
public:
    CSoundClock();
    ~CSoundClock();
    CSoundClock(const CSoundClock&) = delete;
    CSoundClock& operator=(const CSoundClock&) = delete;

    TClock::time_point Now() const override;
    bool Lockstep() const override { return m_lockstep.load(); }
    void SetLockstep(bool on) override { m_lockstep = on; }
    void UseManualClock() override;
    bool IsManual() const override { return m_manual.load(); }
    void Advance(std::chrono::nanoseconds step) override;
    void HoldOutputs(bool held) override { m_held = held; }
    std::unique_ptr<CSoundOutput> OpenManualOutput(CSoundRing& ring, std::uint32_t chunkFrames) override;

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
