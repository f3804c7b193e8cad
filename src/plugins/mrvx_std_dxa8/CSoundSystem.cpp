#include "CSoundSystem.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <cstdint>
#include <thread>
#include <vector>

#include "CSoundRing.h"
#include "SdlLibrary.h"
#include "morvane/api/CDebug.h"
#include "morvane/api/Utf.h"

namespace mrvx_std_dxa8 {

namespace {

// SDL's error text is UTF-8 and may name a device in any language; the
// diagnostic line is wide text.
std::wstring SdlError(const TSdlLibrary& sdl) { return morvane::utf::FromUtf8(sdl.GetError()); }

// Frames per chunk that an output takes at a time: SDL paces its dummy and
// disk drivers in real time from 1024 frames on; a looping ring must hold
// several chunks so that its refills stay ahead of the output.
std::uint32_t ChunkFrames(const CSoundRing& ring, bool looping)
{
    std::uint32_t frames = 1024;
    if (looping) {
        std::size_t ringFrames = ring.Size() / std::max<std::uint32_t>(1, ring.Format().GetBlockSize());
        while (frames > 16 && frames * 4 > ringFrames)
            frames /= 2;
    }
    return frames;
}

SDL_AudioFormat SdlFormat(std::uint32_t sampleFormat)
{
    switch (sampleFormat) {
    case morvane::SAMPLE_FORMAT_U8:
        return AUDIO_U8;
    case morvane::SAMPLE_FORMAT_S16:
        return AUDIO_S16LSB;
    case morvane::SAMPLE_FORMAT_S32:
        return AUDIO_S32LSB;
    default:
        return AUDIO_F32LSB;
    }
}

void SDLCALL RenderCallback(void* user, Uint8* stream, int len)
{
    static_cast<CSoundRing*>(user)->Render(stream, static_cast<std::size_t>(len));
}

// A clock in place of a sound card: takes one chunk of the ring at a time,
// each when the previous one would have been heard.
class CClockOutput : public CSoundOutput {
public:
    CClockOutput(CSoundRing& ring, std::uint32_t chunkFrames)
        : m_ring(ring), m_chunkFrames(chunkFrames), m_thread(&CClockOutput::Run, this)
    {
    }

    ~CClockOutput() override
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    void Run()
    {
        const morvane::TDataFormat_AudioPcm& format = m_ring.Format();
        const double rate = std::max<std::uint32_t>(1, format.samplesPerSecond);
        std::vector<std::uint8_t> chunk(static_cast<std::size_t>(m_chunkFrames) *
                                        std::max<std::uint32_t>(1, format.GetBlockSize()));
        const auto start = std::chrono::steady_clock::now();
        std::uint64_t frames = 0;
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            lock.unlock();
            m_ring.Render(chunk.data(), chunk.size());
            lock.lock();
            frames += m_chunkFrames;
            auto due = start + std::chrono::nanoseconds(static_cast<std::int64_t>(frames * 1e9 / rate));
            m_cv.wait_until(lock, due, [this] { return m_stop; });
        }
    }

    CSoundRing& m_ring;
    const std::uint32_t m_chunkFrames;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop = false;
    std::thread m_thread; // last: starts once the rest is built
};

} // namespace

// A ring played through an SDL audio device.
class CSdlOutput : public CSoundOutput {
public:
    CSdlOutput(CSoundSystem& system, SDL_AudioDeviceID device) : m_system(system), m_device(device) {}
    ~CSdlOutput() override { m_system.CloseSdlDevice(m_device); }

private:
    CSoundSystem& m_system;
    SDL_AudioDeviceID m_device;
};

namespace {
// Sound systems holding SDL: the last one to go shuts SDL down altogether,
// so that nothing of it stays behind in the program.
std::mutex g_sdlUsersMutex;
int g_sdlUsers = 0;

// The ALSA library, which SDL's alsa driver loads, writes its complaints
// ("ALSA lib confmisc.c:855:(parse_card) cannot find card '0'" and the like)
// straight to stderr, before our own one-line message on a machine without a
// card. While a sound system lives they go to the diagnostic output instead
// (MORVANE_DEBUG=1 shows them), as SDL's own errors do.
using TAlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                   const char* format, ...);
using TSetAlsaErrorHandler = int (*)(TAlsaErrorHandler handler);

void AlsaError(const char* file, int line, const char* function, int, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER, L"ALSA lib %ls:%d:(%ls) %ls",
                                  morvane::utf::FromUtf8(file ? file : "").c_str(), line,
                                  morvane::utf::FromUtf8(function ? function : "").c_str(),
                                  morvane::utf::FromUtf8(text).c_str());
}

// The library stays loaded once it was found: SDL may hold it as well, and
// the handler is reset to ALSA's own before this plug-in can be unloaded.
TSetAlsaErrorHandler AlsaHandlerSetter()
{
    static const TSetAlsaErrorHandler setter = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        return alsa ? reinterpret_cast<TSetAlsaErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler")) : nullptr;
    }();
    return setter;
}

// Called under g_sdlUsersMutex as SDL users come and go.
void RouteAlsaErrors(bool on)
{
    if (TSetAlsaErrorHandler set = AlsaHandlerSetter())
        set(on ? &AlsaError : nullptr);
}
} // namespace

CSoundSystem::CSoundSystem() = default;

void CSoundSystem::Start()
{
    std::call_once(m_startOnce, [this] { StartSdl(); });
}

void CSoundSystem::StartSdl()
{
    m_sdl = TSdlLibrary::Load();
    std::lock_guard<std::mutex> users(g_sdlUsersMutex);
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_sdl) {
        m_silent = true;
        return;
    }
    const TSdlLibrary& sdl = *m_sdl;
    // SDL would otherwise take over Ctrl+C from the program.
    sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (g_sdlUsers == 0)
        RouteAlsaErrors(true);
    m_sdlStarted = sdl.InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!m_sdlStarted) {
        morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER, L"mrvx_std_dxa8: SDL audio failed: %ls",
                                      SdlError(sdl).c_str());
        m_silent = true;
        if (g_sdlUsers == 0) {
            sdl.Quit();
            RouteAlsaErrors(false);
        }
        return;
    }
    ++g_sdlUsers;
    // SDL's dummy driver is no card either, and it paces itself by sleeping
    // after each chunk, so it falls behind on a busy machine: the silent
    // clock keeps exact time instead.
    const char* driver = sdl.GetCurrentAudioDriver();
    if (driver && std::strcmp(driver, "dummy") == 0)
        m_silent = true;
}

CSoundSystem::~CSoundSystem()
{
    if (!m_sdlStarted)
        return;
    std::lock_guard<std::mutex> users(g_sdlUsersMutex);
    m_sdl->QuitSubSystem(SDL_INIT_AUDIO);
    if (--g_sdlUsers == 0) {
        m_sdl->Quit();
        RouteAlsaErrors(false);
    }
}

void CSoundSystem::ThreadEnds()
{
    // A thread can only have called SDL if it was loaded.
    if (const TSdlLibrary* sdl = TSdlLibrary::IfLoaded())
        sdl->TLSCleanup();
}

bool CSoundSystem::HasCard()
{
    Start();
    std::lock_guard<std::mutex> guard(m_mutex);
    return !m_silent;
}

void CSoundSystem::SetRenderObserver(TRenderObserver observer)
{
    std::lock_guard<std::mutex> guard(m_observerMutex);
    m_observer = std::move(observer);
}

void CSoundSystem::NotifyRendered(const std::uint8_t* bytes, std::size_t count)
{
    std::lock_guard<std::mutex> guard(m_observerMutex);
    if (m_observer)
        m_observer(bytes, count);
}

void CSoundSystem::TellPlayingSilently()
{
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_BOX, L"No audio output device found; playing silently");
}

std::unique_ptr<CSoundOutput> CSoundSystem::OpenOutput(CSoundRing& ring, bool looping)
{
    Start();
    const std::uint32_t chunkFrames = ChunkFrames(ring, looping);
    if (m_clock.IsManual())
        return m_clock.OpenManualOutput(ring, chunkFrames);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_silent) {
            const morvane::TDataFormat_AudioPcm& format = ring.Format();
            SDL_AudioSpec want{};
            want.freq = static_cast<int>(format.samplesPerSecond);
            want.format = SdlFormat(format.sampleFormat);
            want.channels = static_cast<Uint8>(format.channels);
            want.samples = static_cast<Uint16>(chunkFrames);
            want.callback = &RenderCallback;
            want.userdata = &ring;
            SDL_AudioSpec have{};
            // No allowed changes: SDL converts for the card, the callback
            // always sees the ring's own format.
            SDL_AudioDeviceID device = m_sdl->OpenAudioDevice(nullptr, 0, &want, &have, 0);
            if (device != 0) {
                ++m_openSdlOutputs;
                m_sdl->PauseAudioDevice(device, 0);
                return std::make_unique<CSdlOutput>(*this, device);
            }
            morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_DEBUGGER,
                                          L"mrvx_std_dxa8: SDL_OpenAudioDevice failed: %ls",
                                          SdlError(*m_sdl).c_str());
            // Nothing of ours holds the card, so there is none to be had: stop
            // trying. (With another ring playing, the driver may just take one
            // stream at a time.)
            if (m_openSdlOutputs == 0)
                m_silent = true;
        }
    }
    TellPlayingSilently();
    return std::make_unique<CClockOutput>(ring, chunkFrames);
}

void CSoundSystem::CloseSdlDevice(unsigned int device)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_sdl->CloseAudioDevice(device);
    --m_openSdlOutputs;
}

} // namespace mrvx_std_dxa8
