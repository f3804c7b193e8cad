// The small panes and controls, driven with real mouse and key events: the
// mixer, the oscilloscope bar's mute and solo, the master bar, the tempo pane
// with its spin and in-place edit, the spin control's timing, the time
// counter, the side pane's tabs and the image buttons.
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/controls/CImageButton.h"
#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/CMasterWnd.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/COscBarWnd.h"
#include "gui/panes/CSideWnd.h"
#include "gui/panes/CTimeCounterWnd.h"
#include "gui/document/CUiResources.h"

namespace {

using namespace tonvik_test;

class PanesTest : public CEditorTest {
protected:
    QImage Picture(QWidget* widget) { return widget->grab().toImage(); }
    static QColor Rgb(std::uint32_t argb) { return QColor::fromRgb(argb); }
};

TEST_F(PanesTest, MixerFadersSetVolumesFromTheHeightOfAPressAndADrag)
{
    ovk::CMixerWnd* mixer = View().Mixer();
    // Channel 3's strip starts at x = 24 + 120.
    QTest::mousePress(mixer, Qt::LeftButton, Qt::NoModifier, QPoint(24 + 120 + 20, 75));
    EXPECT_EQ(Song().channels[3].volume, 128);  // (125 - 75) × 256 / 100
    QTest::mouseMove(mixer, QPoint(24 + 120 + 20, 20));
    EXPECT_EQ(Song().channels[3].volume, 255);  // 268, clamped
    QTest::mouseMove(mixer, QPoint(24 + 120 + 20, 135));
    EXPECT_EQ(Song().channels[3].volume, 0);
    QTest::mouseRelease(mixer, Qt::LeftButton, Qt::NoModifier, QPoint(24 + 120 + 20, 135));
    Settle();
    EXPECT_TRUE(Document().IsModified());

    // Outside −10 … 260 a press does nothing: y = 130 gives −12.
    QTest::mouseClick(mixer, Qt::LeftButton, Qt::NoModifier, QPoint(24 + 20, 130));
    EXPECT_EQ(Song().channels[0].volume, 100);
    // Left of the first strip is no channel.
    QTest::mouseClick(mixer, Qt::LeftButton, Qt::NoModifier, QPoint(10, 75));
    EXPECT_EQ(Song().channels[0].volume, 100);

    // The knob sits on top of the dark blue bar: volume 100 gives a bar of 44.
    const QImage strip = Picture(mixer);
    EXPECT_EQ(strip.pixelColor(24 + 20, 130 - 20), Rgb(0xFF000088));
    EXPECT_EQ(strip.pixelColor(24 + 20, 130 - 44 - 2), Rgb(0xFF8888FF));
    EXPECT_EQ(strip.pixelColor(24 + 3, 60), Rgb(0xFFFFFFFF));
}

TEST_F(PanesTest, ScopesMuteWithALeftClickAndSoloWithARightClick)
{
    ovk::COscBarWnd* bar = View().OscBar();
    const QPoint scope2(24 + 80 + 20, 15);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, scope2);
    EXPECT_FALSE(State().ChannelEnabled(2));
    // The mute mark: white pixels in a black scope.
    const QImage muted = Picture(bar);
    int white = 0;
    for (int x = 24 + 80; x < 24 + 120; ++x)
        for (int y = 2; y < 32; ++y)
            white += muted.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_GT(white, 20);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, scope2);
    EXPECT_TRUE(State().ChannelEnabled(2));

    // All on: a right click solos; with a solo on, it turns all on again.
    QTest::mouseClick(bar, Qt::RightButton, Qt::NoModifier, QPoint(24 + 280 + 5, 10));
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(State().ChannelEnabled(c), c == 7) << c;
    QTest::mouseClick(bar, Qt::RightButton, Qt::NoModifier, QPoint(24 + 5, 10));
    for (int c = 0; c < 8; ++c)
        EXPECT_TRUE(State().ChannelEnabled(c)) << c;
}

TEST_F(PanesTest, TheMasterBarStoresItsFractionOf255)
{
    ovk::CVolumeBarWnd* bar = View().Master()->Bar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(2, 10));
    EXPECT_EQ(Song().masterVolume, 0);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 1, 10));
    EXPECT_EQ(Song().masterVolume, 255);
    // x = 8 + 60 of a 240-pixel span: 0.25 × 255 + 0.5 → 64.
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(8 + (bar->width() - 16) / 4, 10));
    EXPECT_EQ(Song().masterVolume, 64);
    // A new song shows its master volume again.
    m_dialogs->answers = {ovk::CEditorDialogs::ANSWER_NO};
    Frame().FileNew();
    EXPECT_NEAR(bar->Fraction(), 100 / 255.0, 1e-9);
}

TEST_F(PanesTest, TempoStaysWithin40And255ByTheSpinAndByTyping)
{
    ovk::CBpmWnd* bpm = View().Bpm();
    ovk::CSpinWnd* spin = bpm->Spin();
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(Song().tempo, 121);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 15));
    EXPECT_EQ(Song().tempo, 120);
    EditSong([](ovk::COvkModuleData& song) { song.tempo = 255; });
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(Song().tempo, 255);
    EditSong([](ovk::COvkModuleData& song) { song.tempo = 40; });
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 15));
    EXPECT_EQ(Song().tempo, 40);

    auto type = [&](const QString& text, bool byEnter) {
        QTest::mouseClick(bpm, Qt::LeftButton, Qt::NoModifier, QPoint(50, 15));
        ovk::CInPlaceEdit* edit = bpm->Editor();
        EXPECT_NE(edit, nullptr);
        if (!edit)
            return;
        QTest::keyClicks(edit, text);
        if (byEnter)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            QTest::mouseClick(bpm, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        Settle();
        EXPECT_EQ(bpm->Editor(), nullptr);
    };
    type(QStringLiteral("300"), true);
    EXPECT_EQ(Song().tempo, 255);
    type(QStringLiteral("10"), false);
    EXPECT_EQ(Song().tempo, 40);
    type(QStringLiteral("137bpm"), true);
    EXPECT_EQ(Song().tempo, 137);
    type(QStringLiteral("fast"), true);
    EXPECT_EQ(Song().tempo, 40);

    EXPECT_EQ(ovk::LeadingInteger(QStringLiteral("  -12x")), -12);
    EXPECT_EQ(ovk::LeadingInteger(QStringLiteral("99999999999999")), INT_MAX);
}

TEST_F(PanesTest, AHeldSpinStepsAtOnceThenAfter300MsThenEvery80Ms)
{
    ovk::CSpinWnd* spin = View().Bpm()->Spin();
    int ups = 0, downs = 0;
    QObject::connect(spin, &ovk::CSpinWnd::Up, [&] { ++ups; });
    QObject::connect(spin, &ovk::CSpinWnd::Down, [&] { ++downs; });
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(spin->PendingInterval(), 300);
    spin->TimerFired();
    EXPECT_EQ(ups, 2);
    EXPECT_EQ(spin->PendingInterval(), 80);
    spin->TimerFired();
    spin->TimerFired();
    EXPECT_EQ(ups, 4);
    EXPECT_EQ(spin->PendingInterval(), 80);
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(spin->PendingInterval(), 0);
    spin->TimerFired();
    EXPECT_EQ(ups, 4);
    // A double click in the lower half counts as one more press there.
    QTest::mouseDClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 15));
    EXPECT_GE(downs, 1);
    EXPECT_EQ(ups, 4);
}

TEST_F(PanesTest, TheTimeCounterShowsTheCursorsTimeAtTheSongsTempo)
{
    EXPECT_EQ(ovk::CTimeCounterWnd::HundredthsOfRow(16, 120), 200);
    EXPECT_EQ(ovk::CTimeCounterWnd::HundredthsOfRow(1, 120), 12);  // 5512 / 44100 s
    // Minutes and seconds wrap after 59:59.
    EXPECT_EQ(ovk::CTimeCounterWnd::MinutesSeconds(6000 * 61 + 123) + ovk::CTimeCounterWnd::Fraction(6000 * 61 + 123),
              QStringLiteral("01:01.23"));
    EXPECT_EQ(ovk::CTimeCounterWnd::MinutesSeconds(360000 + 500), QStringLiteral("00:05"));

    ovk::CTimeCounterWnd* counter = View().TimeCounter();
    State().SelectPosition(1);
    EXPECT_EQ(counter->Text(), QStringLiteral("00:02.00"));
    State().SelectRow(8);
    EXPECT_EQ(counter->Text(), QStringLiteral("00:03.00"));
    EditSong([](ovk::COvkModuleData& song) { song.tempo = 60; });
    State().SelectRow(0);
    EXPECT_EQ(counter->Text(), QStringLiteral("00:04.00"));
    // The digits are drawn, in the level green on black.
    const QImage picture = Picture(counter);
    int green = 0;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            green += picture.pixelColor(x, y).green() > 200 && picture.pixelColor(x, y).red() < 80;
    EXPECT_GT(green, 40);
}

TEST_F(PanesTest, TheSidePaneTabsSwitchBetweenItsTwoLists)
{
    ovk::CSideWnd* side = View().Side();
    EXPECT_TRUE(side->OscillatorList()->isVisible());
    EXPECT_FALSE(side->EffectList()->isVisible());
    QTest::mouseClick(side, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    EXPECT_EQ(side->Tab(), ovk::CSideWnd::TAB_EFFECTS);
    EXPECT_TRUE(side->EffectList()->isVisible());
    EXPECT_FALSE(side->OscillatorList()->isVisible());
    QTest::mouseClick(side, Qt::LeftButton, Qt::NoModifier, QPoint(150, 30));  // below the tabs
    EXPECT_EQ(side->Tab(), ovk::CSideWnd::TAB_EFFECTS);
    QTest::mouseClick(side, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    EXPECT_EQ(side->Tab(), ovk::CSideWnd::TAB_OSCILLATORS);
}

TEST_F(PanesTest, ImageButtonsSwapTheirFrameWhilePushed)
{
    ovk::CImageButton* play = View().StopButton();
    const QColor light = ovk::Ui().Palette().frameLight;
    const QColor dark = ovk::Ui().Palette().frameDark;
    QImage up = Picture(play);
    EXPECT_EQ(up.pixelColor(0, 0), light);
    EXPECT_EQ(up.pixelColor(31, 31), dark);
    play->setDown(true);
    QImage down = Picture(play);
    EXPECT_EQ(down.pixelColor(0, 0), dark);
    EXPECT_EQ(down.pixelColor(31, 31), light);
    // The stop image in the middle.
    EXPECT_EQ(down.pixelColor(16, 16).red() > 120 && down.pixelColor(16, 16).green() < 50, true);
}

} // namespace
