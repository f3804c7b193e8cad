// Playback in the editor with the real monitor thread and the audio plug-in
// playing against its silent clock: notifications reach the panes on the GUI
// thread, move forward and end; where playback starts and stops; pattern
// play; mutes heard at once; note preview. The test moves the plug-in's clock
// itself, in steps shorter than a row, and lets the monitor look after each,
// so what the panes are told does not depend on the machine's load.
#include <QTest>
#include <QThread>

#include "GuiTestSupport.h"
#include "SoundClock.h"
#include "gui/controls/CImageButton.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/CTimeCounterWnd.h"

namespace {

using namespace tonvik_test;

// Stands in for the order table and the pattern pane: records what it is told.
class CRecordingPane : public ovk::IOrderTablePane, public ovk::IPatternPane {
public:
    void OnPlayPosition(int value) override
    {
        values.push_back(value);
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
    }
    bool HasKeyboardFocus() const override { return false; }
    void Cut() override {}
    void Copy() override {}
    void Paste() override {}
    void ShowCursor(int, int) override {}
    void Reload() override {}
    void TakeFocus() override {}
    void ShowChannel(int) override {}
    void SetCursorRow(int) override {}
    void ReloadPattern() override {}
    void SetEntry(int, int, std::uint32_t) override {}
    void StepEntry(int, bool) override {}
    void EnterMidiNote(int) override {}

    std::vector<int> values;
    bool onGuiThread = true;
};

// Stands in for the oscilloscope bar: counts the ticks it is given.
class CTickCounter : public ovk::IPlaybackListener {
public:
    void OnPlayTick() override { ++ticks; }
    void OnPlayStopped() override { ++stops; }
    int ticks = 0;
    int stops = 0;
};

class PlaybackTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        if (!State().CanPlay())
            GTEST_SKIP() << State().audioProblem.toStdString();
        m_system = SoundSystemOf(State().audioDevice.Get());
        ASSERT_TRUE(m_system);
        m_system->Clock().UseManualClock();
        State().orderTable = &m_orders;
        State().pattern = &m_rows;
        State().oscBar = &m_ticks;
    }
    void TearDown() override
    {
        if (m_app) {
            State().Stop();
            State().orderTable = nullptr;
            State().pattern = nullptr;
            State().oscBar = nullptr;
        }
        // Before the editor closes the framework, which unloads the plug-in.
        m_system.reset();
        CEditorTest::TearDown();
    }
    // Lets up to seconds of the song be heard in steps of 25 ms (less than
    // half a row at 255 BPM), the monitor looking after each, until done()
    // holds or the playback display stopped. Returns whether done() came to hold.
    bool Listen(double seconds, const std::function<bool()>& done = [] { return false; })
    {
        const int stops = m_ticks.stops;
        for (double heard = 0; heard < seconds - 1e-9; heard += 0.025) {
            if (done())
                return true;
            if (m_ticks.stops > stops)
                return false;
            m_system->Clock().Advance(Seconds(0.025));
            // Ticks are folded while one waits to be taken: the third one
            // given after the step was posted by a look that began after it.
            const int ticks = m_ticks.ticks;
            if (!WaitFor([&] { return m_ticks.ticks >= ticks + 3 || m_ticks.stops > stops; }, 20000)) {
                ADD_FAILURE() << "the monitor did not look";
                return false;
            }
        }
        return done();
    }
    void Load(const ovk::COvkModuleData& song)
    {
        EditSong([&](ovk::COvkModuleData& data) { data = song; });
        State().RefreshAll();
    }
    // Stop needs no clock: the display ends on its own.
    bool WaitUntilStopped()
    {
        return WaitFor([&] { return !m_orders.values.empty() && m_orders.values.back() == 0xFFFF; }, 20000);
    }
    bool Started() { return WaitFor([&] { return State().IsPlaying(); }, 20000); }

    std::shared_ptr<mrvx_std_dxa8::CSoundSystem> m_system;
    CRecordingPane m_orders;
    CRecordingPane m_rows;
    CTickCounter m_ticks;
};

TEST_F(PlaybackTest, PositionsReachThePanesOnTheGuiThreadMoveForwardAndEndAtTheSongsEnd)
{
    // Two positions at 255 BPM: about 1.9 s.
    Load(TestSong(2, 255));
    State().Play();
    ASSERT_TRUE(Started());
    int peak = 0;
    Listen(2.5, [&] {
        peak = std::max(peak, View().Mixer()->Level(0));
        return false;
    });
    ASSERT_TRUE(WaitUntilStopped());
    EXPECT_EQ(m_orders.values.back(), 0xFFFF);
    EXPECT_EQ(m_rows.values.back(), 0xFFFF);
    EXPECT_TRUE(m_orders.onGuiThread);
    EXPECT_TRUE(m_rows.onGuiThread);
    EXPECT_FALSE(State().IsPlaying());

    // Every row, once and in order, and the order table hears the position
    // of each.
    std::vector<int> rows(m_rows.values.begin(), m_rows.values.end() - 1);
    ASSERT_EQ(rows.size(), 32u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i], static_cast<int>(i));
        EXPECT_EQ(m_orders.values[i], rows[i] / 16);
    }
    // The meters saw the note; after the end they are empty again.
    EXPECT_GT(peak, 1000);
    EXPECT_EQ(View().Mixer()->Level(0), 0);
    // The time counter falls back to the edit cursor.
    EXPECT_EQ(View().TimeCounter()->Text(), QStringLiteral("00:00.00"));
}

TEST_F(PlaybackTest, PlayBeyondTheSongsEndStartsAtItsStart)
{
    Load(TestSong(2, 255));
    State().SelectPosition(9);
    State().Play();
    ASSERT_TRUE(Started());
    ASSERT_TRUE(Listen(0.1, [&] { return !m_rows.values.empty(); }));
    EXPECT_EQ(m_rows.values.front(), 0);
    State().Stop();
    EXPECT_TRUE(WaitUntilStopped());
    // After Stop the counter shows the cursor: position 9, row 0 at 255 BPM.
    EXPECT_EQ(View().TimeCounter()->Hundredths(), ovk::CTimeCounterWnd::HundredthsOfRow(9 * 16, 255));
}

TEST_F(PlaybackTest, AnEmptySongPlaysNothingAndPlayStillWorksAfterwards)
{
    State().Play();
    QTest::qWait(200);
    EXPECT_FALSE(State().IsPlaying());
    EXPECT_TRUE(m_orders.values.empty());
    EXPECT_TRUE(View().PlayButton()->isEnabled());

    Load(TestSong(1, 255));
    QTest::mouseClick(View().PlayButton(), Qt::LeftButton);
    ASSERT_TRUE(Started());
    EXPECT_TRUE(Listen(0.1, [&] { return !m_rows.values.empty(); }));
    QTest::mouseClick(View().StopButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilStopped());
}

TEST_F(PlaybackTest, StopWinsOverAPlaybackThatIsStillStarting)
{
    Load(TestSong(8, 255));
    // Stop at once after Play, and a second Enter at once after the first:
    // however far the playback had got, nothing plays afterwards.
    State().Play();
    EXPECT_TRUE(State().IsPlayingOrStarting());
    State().Stop();
    EXPECT_FALSE(State().IsPlayingOrStarting());
    ovk::CPatternWnd* pattern = View().Pattern();
    QTest::keyClick(pattern, Qt::Key_Return);
    QTest::keyClick(pattern, Qt::Key_Return);
    EXPECT_FALSE(State().IsPlayingOrStarting());
    EXPECT_FALSE(WaitFor([&] { return State().IsPlaying(); }, 500));
    // And the next Enter plays.
    QTest::keyClick(pattern, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return State().IsPlaying(); }, 3000));
}

TEST_F(PlaybackTest, PatternPlayLoopsItsPatternUntilStop)
{
    // One position of 0.94 s, after a first empty one.
    ovk::COvkModuleData song = TestSong(2, 255);
    song.orderTable[0][0] = 0;
    Load(song);
    State().SelectPosition(1);
    State().PatternPlay();
    ASSERT_TRUE(Started());
    // Two and a half times the pattern: every row of it, in order, every time.
    EXPECT_FALSE(Listen(2.5));
    EXPECT_TRUE(State().IsPlaying());
    ASSERT_GE(m_rows.values.size(), 40u);
    for (std::size_t i = 0; i < m_rows.values.size(); ++i)
        EXPECT_EQ(m_rows.values[i], 16 + static_cast<int>(i % 16)) << i;
    QTest::mouseClick(View().StopButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilStopped());
    EXPECT_FALSE(State().IsPlaying());
}

TEST_F(PlaybackTest, AMuteIsHeardWhileTheSongPlays)
{
    Load(TestSong(8, 255));
    State().Play();
    ASSERT_TRUE(Started());
    ASSERT_TRUE(Listen(0.5, [&] { return State().LevelAtPlayTime(-1) > 1000; }));
    State().SetChannelEnabled(0, false);
    // The mix goes silent once the buffered 0.2 s (and what the output took
    // already) have been heard.
    EXPECT_TRUE(Listen(0.3, [&] { return State().LevelAtPlayTime(-1) == 0; }));
    // The channel itself still runs.
    EXPECT_GT(State().LevelAtPlayTime(0), 1000);
    State().SetChannelEnabled(0, true);
    EXPECT_TRUE(Listen(0.3, [&] { return State().LevelAtPlayTime(-1) > 1000; }));
}

TEST_F(PlaybackTest, APreviewSoundsThroughItsOwnPlayerAndLeavesTheDocumentUnmodified)
{
    EditSong([](ovk::COvkModuleData& song) { song.channels[3].volume = 77; song.tempo = 99; });
    State().RefreshAll();
    State().PreviewNote(3, 61);
    EXPECT_TRUE(State().previewControl->IsPlaying());
    const ovk::COvkModuleData* preview = State().previewSong->Lock(0);
    EXPECT_EQ(preview->patterns[0][1][0], 61u);
    EXPECT_EQ(preview->patterns[0][1][8], 255u);
    EXPECT_EQ(preview->channels[0].volume, 77);
    EXPECT_EQ(preview->tempo, 99);
    State().previewSong->Unlock();
    Settle();
    EXPECT_FALSE(Document().IsModified());
    // Play cuts the preview off.
    Load(TestSong(1, 255));
    State().Play();
    EXPECT_FALSE(State().previewControl->IsPlaying());
}

} // namespace
