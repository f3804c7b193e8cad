#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "CSoundClock.h"

namespace mrvx_std_dxa8 {

class CSoundRing;
class CSoundOutput;

// The platform audio behind the device, made and dropped by the device thread:
// SDL's audio subsystem, and outputs that drain rings into the sound card.
// Where no card can be opened, outputs are silent clocks that drain at the
// sample rate, so everything above behaves as with a card.
class CSoundSystem {
public:
    CSoundSystem();
    ~CSoundSystem();
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // An output draining ring at the pace of the clock below, started;
    // never null.
    std::unique_ptr<CSoundOutput> OpenOutput(CSoundRing& ring, bool looping);

    // The time the rings and outputs of this system go by.
    ISoundClock& Clock() { return m_clock; }

    // False when outputs are silent clocks: SDL audio did not start, runs its
    // dummy driver, or could not open the card. For diagnostics only.
    bool HasCard() const;

    // Sees every chunk that an output hands to the card, on the output's
    // thread, right after it was taken from its ring; for measurements.
    using TRenderObserver = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    void SetRenderObserver(TRenderObserver observer);
    void NotifyRendered(const std::uint8_t* bytes, std::size_t count);

    // Frees what SDL keeps for the calling thread (its error text); every
    // thread of ours that may have called SDL calls it before it ends.
    static void ThreadEnds();

private:
    friend class CSdlOutput;
    void CloseSdlDevice(unsigned int device);
    static void TellPlayingSilently();

    CSoundClock m_clock;
    mutable std::mutex m_mutex;
    bool m_sdlStarted = false;
    bool m_silent = false;
    int m_openSdlOutputs = 0;
    std::mutex m_observerMutex;
    TRenderObserver m_observer;
};

} // namespace mrvx_std_dxa8
