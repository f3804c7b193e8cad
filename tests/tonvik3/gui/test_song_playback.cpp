// Song playback with its monitor thread, without the GUI: the audio plug-in
// renders through its silent clock and the monitor posts what it hears. The
// test moves that clock itself, a step at a time, and lets the monitor look
// after each step, so what it hears does not depend on the machine's load.
// Also run under the thread sanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "PlayerTestSupport.h"
#include "SoundClock.h"
#include "gui/document/CSongPlayback.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/ClassIds.h"

namespace {

using namespace std::chrono_literals;
using ovk::CSongPlayback;
using ovk::TPlaybackEvent;
using namespace tonvik_test;

// The events as the GUI thread would get them, with the thread that posted them.
class CEventLog {
public:
    void Post(const TPlaybackEvent& event)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back(event);
        m_threads.push_back(std::this_thread::get_id());
        m_changed.notify_all();
    }
    // Waits until count STOPPED events have come.
    bool WaitForStops(int count, std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return Stops() >= count; });
    }
    // Waits until the monitor has looked twice more (so once after whatever
    // happened before this call), or has ended: more than stops STOPPED
    // events came. False when it did neither within the limit.
    bool WaitForTwoLooks(int stops, std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const int ticks = Ticks();
        return m_changed.wait_for(lock, limit, [&] { return Ticks() >= ticks + 2 || Stops() > stops; });
    }
    int StopCount()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return Stops();
    }
    std::vector<TPlaybackEvent> Events()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_events;
    }
    bool AllFrom(std::thread::id not_this)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (auto id : m_threads)
            if (id == not_this)
                return false;
        return true;
    }

private:
    int Count(TPlaybackEvent::TKind kind) const
    {
        int n = 0;
        for (const auto& e : m_events)
            n += e.kind == kind;
        return n;
    }
    int Stops() const { return Count(TPlaybackEvent::STOPPED); }
    int Ticks() const { return Count(TPlaybackEvent::TICK); }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<TPlaybackEvent> m_events;
    std::vector<std::thread::id> m_threads;
};

class SongPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = morvane::CreateRef<morvane::IAudioDevice>(morvane::clsid::CAudioDevice);
        ASSERT_TRUE(m_device);
        m_device->Open();
        m_system = SoundSystemOf(m_device.Get());
        ASSERT_TRUE(m_system);
        m_system->Clock().UseManualClock();
        m_module = NewModule();
        m_player = NewPlayer(m_module.Get());
        for (auto& enabled : m_enabled)
            enabled = 1;
    }
    void TearDown() override
    {
        m_playback.reset();
        if (m_device)
            m_device->Close();
        m_system.reset();
    }
    // Lets seconds of the song be heard in steps of 25 ms (less than half a
    // row at 255 BPM), the monitor looking after each; stops early once the
    // monitor ended.
    void Listen(double seconds)
    {
        const int stops = m_log.StopCount();
        for (double heard = 0; heard < seconds - 1e-9 && m_log.StopCount() == stops; heard += 0.025) {
            m_system->Clock().Advance(Seconds(0.025));
            ASSERT_TRUE(m_log.WaitForTwoLooks(stops, 20s));
        }
    }
    // Waits until the monitor plays (it connects and opens the output on its own thread).
    bool Started()
    {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!m_playback->IsPlaying())
            if (std::chrono::steady_clock::now() > until)
                return false;
            else
                std::this_thread::sleep_for(1ms);
        return true;
    }
    // positions order positions of a note in channel 0, at 255 BPM (0.94 s each).
    void MakeSong(int positions)
    {
        Edit(m_module.Get(), [&](ovk::COvkModuleData& song) {
            song.tempo = 255;
            song.patterns[0][1][0] = 61;
            for (int p = 0; p < positions; ++p)
                song.orderTable[0][p] = 1;
        });
    }
    ovk::TPlaybackRequest Request(int start, bool pattern)
    {
        ovk::TPlaybackRequest request;
        request.song = morvane::CRef<ovk::IOvkModule>(m_module.Get());
        request.player = morvane::CRef<ovk::IOvkModulePlayer>(m_player.Get());
        request.device = m_device;
        request.startPosition = start;
        request.patternMode = pattern;
        request.channelEnabled = m_enabled.data();
        return request;
    }

    CEventLog m_log;
    std::array<std::atomic<std::uint8_t>, 8> m_enabled;
    morvane::CRef<morvane::IAudioDevice> m_device;
    std::shared_ptr<mrvx_std_dxa8::CSoundSystem> m_system;
    morvane::CRef<ovk::COvkModule> m_module;
    morvane::CRef<ovk::COvkModulePlayer> m_player;
    std::unique_ptr<CSongPlayback> m_playback =
        std::make_unique<CSongPlayback>([this](const TPlaybackEvent& e) { m_log.Post(e); });
};

TEST_F(SongPlaybackTest, FollowsTheHeardRowToTheSongsEndFromTheMonitorThread)
{
    MakeSong(1);
    m_playback->Start(Request(7, false));  // past the end: from position 0
    ASSERT_TRUE(Started());
    // The song (0.94 s) and a little more.
    Listen(1.1);
    ASSERT_TRUE(m_log.WaitForStops(1, 20s));
    EXPECT_FALSE(m_playback->IsPlaying());
    EXPECT_TRUE(m_log.AllFrom(std::this_thread::get_id()));

    const auto events = m_log.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.back().kind, TPlaybackEvent::STOPPED);
    EXPECT_EQ(events[events.size() - 2].kind, TPlaybackEvent::POSITION);
    EXPECT_EQ(events[events.size() - 2].order, CSongPlayback::kNoPosition);
    // Every row heard, each once and in order (a step is shorter than a row),
    // and a tick after every look, the one that found a new row included.
    std::vector<int> rows;
    for (std::size_t i = 0; i + 2 < events.size(); ++i) {
        if (events[i].kind == TPlaybackEvent::TICK)
            continue;
        ASSERT_EQ(events[i].kind, TPlaybackEvent::POSITION);
        EXPECT_EQ(events[i].order, events[i].row / 16);
        EXPECT_EQ(events[i + 1].kind, TPlaybackEvent::TICK);
        rows.push_back(events[i].row);
    }
    const std::vector<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(rows, all);
}

TEST_F(SongPlaybackTest, StartStopsThePreviousMonitorWhoseEventsAllComeFirst)
{
    MakeSong(4);
    m_playback->Start(Request(0, true));
    ASSERT_TRUE(Started());
    Listen(0.3);
    EXPECT_TRUE(m_playback->IsPlaying());
    m_playback->Start(Request(2, true));
    ASSERT_TRUE(Started());
    Listen(0.3);
    EXPECT_TRUE(m_playback->IsPlaying());
    // Stop does not wait for the clock: the monitor ends on its own.
    m_playback->Stop();
    ASSERT_TRUE(m_log.WaitForStops(2, 20s));
    EXPECT_FALSE(m_playback->IsPlaying());

    // First playback: rows of position 0 only, then its end; then the second
    // one's rows of position 2 (pattern play stays on its position).
    const auto events = m_log.Events();
    int phase = 0;
    for (const auto& e : events) {
        if (e.kind == TPlaybackEvent::STOPPED) {
            ++phase;
        } else if (e.kind == TPlaybackEvent::POSITION && e.order != CSongPlayback::kNoPosition) {
            EXPECT_EQ(e.order, phase == 0 ? 0 : 2) << "phase " << phase;
        }
    }
    EXPECT_EQ(phase, 2);
}

TEST_F(SongPlaybackTest, AStopWhileStartingEndsItBeforeItPlays)
{
    MakeSong(2);
    m_playback->Start(Request(0, false));
    // Until it plays, it is starting: a Stop then is what the editor must obey.
    EXPECT_TRUE(m_playback->IsStarting() || m_playback->IsPlaying());
    m_playback->Stop();
    EXPECT_FALSE(m_playback->IsStarting());
    EXPECT_FALSE(m_playback->IsPlaying());
    m_playback->StopAndWait();
    EXPECT_FALSE(m_playback->IsPlaying());
    // It may have played for an instant before the Stop; if so, it said it ended.
    int positions = 0, stops = 0;
    for (const auto& e : m_log.Events()) {
        positions += e.kind == TPlaybackEvent::POSITION && e.order != CSongPlayback::kNoPosition;
        stops += e.kind == TPlaybackEvent::STOPPED;
    }
    EXPECT_LE(stops, 1);
    EXPECT_TRUE(positions == 0 || stops == 1);
}

TEST_F(SongPlaybackTest, AnEmptySongPlaysNothingAndPostsNothing)
{
    m_playback->Start(Request(0, false));
    // It stops starting by itself, without ever playing.
    for (int i = 0; i < 500 && m_playback->IsStarting(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(m_playback->IsStarting());
    EXPECT_FALSE(m_playback->IsPlaying());
    m_playback->StopAndWait();
    EXPECT_TRUE(m_log.Events().empty());
}

TEST_F(SongPlaybackTest, MuteFlagsAreHandedToThePlayerAtTheStart)
{
    MakeSong(2);
    m_enabled[0] = 0;
    m_playback->Start(Request(0, false));
    ASSERT_TRUE(Started());
    Listen(0.4);
    // The channel runs, the mix of it stays silent.
    std::int32_t mix[512], channel[512];
    const unsigned int at = static_cast<unsigned int>(m_player->Tell()) - 1024;
    m_player->GetHistory(-1, at, mix, 512);
    m_player->GetHistory(0, at, channel, 512);
    int loudestMix = 0, loudestChannel = 0;
    for (int i = 0; i < 512; ++i) {
        loudestMix = std::max(loudestMix, std::abs(mix[i]));
        loudestChannel = std::max(loudestChannel, std::abs(channel[i]));
    }
    EXPECT_EQ(loudestMix, 0);
    EXPECT_GT(loudestChannel, 1000);
    m_playback->StopAndWait();
}

} // namespace
