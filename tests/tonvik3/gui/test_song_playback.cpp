// Song playback with its monitor thread, without the GUI: the audio plug-in
// renders through its silent clock and the monitor posts what it hears. Also
// run under the thread sanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "PlayerTestSupport.h"
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
    int Stops() const
    {
        int n = 0;
        for (const auto& e : m_events)
            n += e.kind == TPlaybackEvent::STOPPED;
        return n;
    }
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
    morvane::CRef<ovk::COvkModule> m_module;
    morvane::CRef<ovk::COvkModulePlayer> m_player;
    std::unique_ptr<CSongPlayback> m_playback =
        std::make_unique<CSongPlayback>([this](const TPlaybackEvent& e) { m_log.Post(e); });
};

TEST_F(SongPlaybackTest, FollowsTheHeardRowToTheSongsEndFromTheMonitorThread)
{
    MakeSong(1);
    m_playback->Start(Request(7, false));  // past the end: from position 0
    ASSERT_TRUE(m_log.WaitForStops(1, 5s));
    EXPECT_FALSE(m_playback->IsPlaying());
    EXPECT_TRUE(m_log.AllFrom(std::this_thread::get_id()));

    const auto events = m_log.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.back().kind, TPlaybackEvent::STOPPED);
    EXPECT_EQ(events[events.size() - 2].kind, TPlaybackEvent::POSITION);
    EXPECT_EQ(events[events.size() - 2].order, CSongPlayback::kNoPosition);
    int last = -1, ticks = 0, positions = 0;
    for (std::size_t i = 0; i + 2 < events.size(); ++i) {
        if (events[i].kind == TPlaybackEvent::TICK) {
            ++ticks;
            continue;
        }
        ASSERT_EQ(events[i].kind, TPlaybackEvent::POSITION);
        EXPECT_GT(events[i].row, last);
        EXPECT_EQ(events[i].order, events[i].row / 16);
        EXPECT_EQ(events[i].order, 0);
        last = events[i].row;
        ++positions;
    }
    EXPECT_GE(positions, 10);
    // One tick per 20 ms period over about a second.
    EXPECT_GE(ticks, 20);
}

TEST_F(SongPlaybackTest, StartStopsThePreviousMonitorWhoseEventsAllComeFirst)
{
    MakeSong(4);
    m_playback->Start(Request(0, true));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(m_playback->IsPlaying());
    m_playback->Start(Request(2, true));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(m_playback->IsPlaying());
    const auto start = std::chrono::steady_clock::now();
    m_playback->Stop();
    ASSERT_TRUE(m_log.WaitForStops(2, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
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
    std::this_thread::sleep_for(400ms);
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
