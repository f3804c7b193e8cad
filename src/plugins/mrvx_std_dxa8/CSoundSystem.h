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
struct TSdlLibrary;

// The platform audio behind the device, made and dropped by the device thread:
// SDL's audio subsystem, and outputs that drain rings into the sound card.
// SDL is loaded and started by Start, not with the plug-in: the device thread
// starts it once the device is open, so that opening does not wait for it,
// and whatever needs it first waits for it.
// Where no card can be opened, outputs are silent clocks that drain at the
// sample rate, so everything above behaves as with a card.
class CSoundSystem {
public:
    CSoundSystem();
    ~CSoundSystem();
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // Loads and starts SDL's audio, once; later and concurrent calls wait
    // until it has started (or failed, which makes every output silent).
    void Start();

    // An output draining ring at the pace of the clock below, started;
    // never null.
    std::unique_ptr<CSoundOutput> OpenOutput(CSoundRing& ring, bool looping);

    // The time the rings and outputs of this system go by.
    ISoundClock& Clock() { return m_clock; }

    // False when outputs are silent clocks: SDL is missing, its audio did not start, runs its
    // dummy driver, or could not open the card. For diagnostics only.
    bool HasCard();

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

    void StartSdl();

    std::once_flag m_startOnce;
    const TSdlLibrary* m_sdl = nullptr;  // null when libSDL2 could not be loaded
    CSoundClock m_clock;
    mutable std::mutex m_mutex;
    bool m_sdlStarted = false;
    bool m_silent = false;
    int m_openSdlOutputs = 0;
    std::mutex m_observerMutex;
    TRenderObserver m_observer;
};

} // namespace mrvx_std_dxa8
