// Playback in the editor with the real monitor thread and the audio plug-in
// playing against its silent clock: notifications reach the panes on the GUI
// thread, move forward and end; where playback starts and stops; pattern
// play; mutes heard at once; note preview.
#include <QTest>
#include <QThread>

#include "GuiTestSupport.h"
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

class PlaybackTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        if (!State().CanPlay())
            GTEST_SKIP() << State().audioProblem.toStdString();
        State().orderTable = &m_orders;
        State().pattern = &m_rows;
    }
    void TearDown() override
    {
        if (m_app) {
            State().Stop();
            State().orderTable = nullptr;
            State().pattern = nullptr;
        }
        CEditorTest::TearDown();
    }
    void Load(const ovk::COvkModuleData& song)
    {
        EditSong([&](ovk::COvkModuleData& data) { data = song; });
        State().RefreshAll();
    }
    bool WaitUntilStopped(int ms)
    {
        return WaitFor([&] { return !m_orders.values.empty() && m_orders.values.back() == 0xFFFF; }, ms);
    }

    CRecordingPane m_orders;
    CRecordingPane m_rows;
};

TEST_F(PlaybackTest, PositionsReachThePanesOnTheGuiThreadMoveForwardAndEndAtTheSongsEnd)
{
    // Two positions at 255 BPM: about 1.9 s.
    Load(TestSong(2, 255));
    State().Play();
    EXPECT_TRUE(WaitFor([&] { return State().IsPlaying(); }, 2000));
    int peak = 0;
    WaitFor([&] {
        peak = std::max(peak, View().Mixer()->Level(0));
        return !m_orders.values.empty() && m_orders.values.back() == 0xFFFF;
    }, 6000);
    ASSERT_FALSE(m_orders.values.empty());
    EXPECT_EQ(m_orders.values.back(), 0xFFFF);
    EXPECT_EQ(m_rows.values.back(), 0xFFFF);
    EXPECT_TRUE(m_orders.onGuiThread);
    EXPECT_TRUE(m_rows.onGuiThread);
    EXPECT_FALSE(State().IsPlaying());

    // Rows only move forward, one notification per row change, and the
    // order table hears the position of each.
    std::vector<int> rows(m_rows.values.begin(), m_rows.values.end() - 1);
    ASSERT_GT(rows.size(), 10u);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_GT(rows[i], rows[i - 1]);
    EXPECT_LT(rows.front(), 4);
    EXPECT_GE(rows.back(), 28);
    EXPECT_LT(rows.back(), 32);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(m_orders.values[i], rows[i] / 16);
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
    ASSERT_TRUE(WaitFor([&] { return !m_rows.values.empty(); }, 3000));
    EXPECT_LT(m_rows.values.front(), 4);
    State().Stop();
    EXPECT_TRUE(WaitUntilStopped(1000));
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
    EXPECT_TRUE(WaitFor([&] { return !m_rows.values.empty(); }, 3000));
    QTest::mouseClick(View().StopButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilStopped(1000));
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
    QTest::qWait(2500);
    EXPECT_TRUE(State().IsPlaying());
    ASSERT_FALSE(m_rows.values.empty());
    int wraps = 0;
    for (std::size_t i = 0; i < m_rows.values.size(); ++i) {
        EXPECT_GE(m_rows.values[i], 16);
        EXPECT_LT(m_rows.values[i], 32);
        if (i > 0 && m_rows.values[i] < m_rows.values[i - 1])
            ++wraps;
    }
    EXPECT_GE(wraps, 1);
    QTest::mouseClick(View().StopButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilStopped(500));
    EXPECT_FALSE(State().IsPlaying());
}

TEST_F(PlaybackTest, AMuteIsHeardWhileTheSongPlays)
{
    Load(TestSong(8, 255));
    State().Play();
    ASSERT_TRUE(WaitFor([&] { return State().LevelAtPlayTime(-1) > 1000; }, 3000));
    State().SetChannelEnabled(0, false);
    // The mix goes silent once the buffered 0.2 s have been heard.
    EXPECT_TRUE(WaitFor([&] { return State().LevelAtPlayTime(-1) == 0; }, 1500));
    // The channel itself still runs.
    EXPECT_GT(State().LevelAtPlayTime(0), 1000);
    State().SetChannelEnabled(0, true);
    EXPECT_TRUE(WaitFor([&] { return State().LevelAtPlayTime(-1) > 1000; }, 1500));
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
