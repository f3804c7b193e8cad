#include "gui/document/CSongPlayback.h"

#include <chrono>
#include <utility>

#include "core/module/Playback.h"
#include "core/song/COvkModuleData.h"
#include "morvane/api/CException.h"
#include "morvane/data/CStreamSelectors.h"

namespace ovk {

namespace {

int SongLengthOf(IOvkModule* song)
{
    const COvkModuleData* data = song->Lock(kSongRead);
    const int length = data->SongLength();
    song->Unlock();
    return length;
}

} // namespace

CSongPlayback::CSongPlayback(TPost post) : m_post(std::move(post)) {}

CSongPlayback::~CSongPlayback() { StopAndWait(); }

void CSongPlayback::Start(TPlaybackRequest request)
{
    // The previous monitor ends within one period once it is stopped; waiting
    // for it keeps its last events ahead of the new playback's.
    StopAndWait();
    const std::uint64_t generation = m_generation.load();
    m_starting = true;
    m_thread = std::thread(&CSongPlayback::Monitor, this, std::move(request), generation);
}

void CSongPlayback::Stop()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_generation;
    m_playing = false;
    m_starting = false;
    if (m_control) {
        try {
            m_control->Stop();
        } catch (const morvane::CException&) {
            // Reported by the exception; the monitor ends all the same.
        }
    }
    m_wake.notify_all();
}

void CSongPlayback::StopAndWait()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void CSongPlayback::Release()
{
    StopAndWait();
    morvane::CRef<morvane::IMediaControl> control;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        control = std::exchange(m_control, nullptr);
    }
}

morvane::CRef<morvane::IMediaControl> CSongPlayback::Control() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_control;
}

void CSongPlayback::Monitor(TPlaybackRequest request, std::uint64_t generation)
{
    IOvkModulePlayer* player = request.player.Get();
    bool started = false;
    try {
        player->Connect(request.song.Get());
        int start = request.startPosition;
        int length = SongLengthOf(request.song.Get());
        if (length == 0) {
            // An empty song plays nothing and shows nothing.
            if (Current(generation))
                m_starting = false;
            return;
        }
        if (start >= length)
            start = 0;
        for (unsigned int channel = 0; channel < kChannels; ++channel)
            player->SetChannelEnabled(channel, request.channelEnabled[channel].load() != 0);
        player->SetPatternLoop(request.patternMode);

        // Made outside the lock: opening an output may take a while, and the
        // panes read the control at every tick.
        morvane::CRef<morvane::IMediaControl> control;
        {
            const morvane::CInputStreamSelector source(player);
            control = morvane::CRef<morvane::IMediaControl>::Adopt(
                request.device->RenderAudio(source, morvane::BUFFERING_STREAM));
        }
        morvane::CRef<morvane::IMediaControl> previous;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (!Current(generation)) {
                control->Stop();
                return;
            }
            previous = std::exchange(m_control, control);
            // From the row's first sample: every sample of the song is heard.
            PlayFromRow(*control, *player, static_cast<unsigned int>(start) * 16);
            m_playing = true;
            m_starting = false;
            started = true;
        }
        previous.Reset();

        std::int64_t last = -1;
        for (;;) {
            if (!control->IsPlaying())
                break;
            std::int64_t row = player->TimeToRow(control->TellTime());
            if (request.patternMode) {
                // At the moment the pattern starts over the heard time can be
                // the end of the pattern, which is the next position's first
                // row: it is this pattern's first row again.
                const std::int64_t first = static_cast<std::int64_t>(start) * 16;
                row = first + ((row - first) % 16 + 16) % 16;
            }
            const std::int64_t order = row / 16;
            if (!request.patternMode) {
                // The song went round to its start, or ran past its end. The
                // end is read again each period: the song may grow while it plays.
                if (row < last - 8)
                    break;
                length = SongLengthOf(request.song.Get());
                if (order >= length)
                    break;
            }
            if (row != last) {
                m_post({TPlaybackEvent::POSITION, static_cast<int>(order), static_cast<int>(row)});
                last = row;
            }
            m_post({TPlaybackEvent::TICK, 0, 0});
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(kPeriodMs), [&] { return !Current(generation); });
            if (!Current(generation))
                break;
        }
    } catch (const morvane::CException&) {
        // Reported by the exception itself; the playback display ends.
    }
    if (Current(generation)) {
        m_playing = false;
        m_starting = false;
    }
    if (started) {
        m_post({TPlaybackEvent::POSITION, kNoPosition, kNoPosition});
        m_post({TPlaybackEvent::STOPPED, 0, 0});
    }
}

} // namespace ovk
