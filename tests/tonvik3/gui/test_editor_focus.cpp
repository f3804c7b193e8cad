// Where the keyboard goes: notes are typed into whatever has the keyboard,
// as the platform would deliver them, with a click on every kind of control
// of the main window in between; they must all land in the pattern, and the
// order table must not change (the note keys C, D, E, B, 2, 3 and 5 are also
// hexadecimal digits there).
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "gui/app/CKeyboardFocus.h"
#include "gui/controls/CImageButton.h"
#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "gui/instruments/CEffectListItemWnd.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/CMasterWnd.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/COscBarWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/CSideWnd.h"

namespace {

using namespace tonvik_test;

// Note keys that are hexadecimal digits too: their X scan code, their text,
// and the semitone above the lower row's C that they play.
struct TNoteKey {
    quint32 scan;
    const char* text;
    int offset;
};
constexpr TNoteKey kNoteKeys[] = {{54, "c", 4}, {40, "d", 3}, {26, "e", 16}, {56, "b", 7},
                                  {11, "2", 13}, {12, "3", 15}, {14, "5", 18}};

class FocusTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        m_pattern = View().Pattern();
        QTest::mouseClick(m_pattern, Qt::LeftButton, Qt::NoModifier, ovk::CPatternWnd::CellRect(0, 0).center());
        Settle();
        ASSERT_EQ(QApplication::focusWidget(), m_pattern);
        TypeNote();
        ASSERT_EQ(Song().orderTable[0][0], 1u);
    }

    // A key to whatever has the keyboard, as the window system would send it.
    static void KeyToFocus(int key, const QString& text, quint32 scan = 0)
    {
        QWidget* target = QApplication::focusWidget();
        if (!target) {
            ADD_FAILURE() << "the keyboard went nowhere";
            return;
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, scan, 0, 0, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, scan, 0, 0, text);
        QApplication::sendEvent(target, &release);
    }

    // Types the next note key and checks that it landed in the pattern at
    // the cursor row, with the order table as it was.
    void TypeNote()
    {
        const TNoteKey& key = kNoteKeys[m_typed++ % std::size(kNoteKeys)];
        const int row = State().row;
        KeyToFocus(Qt::Key_unknown, QString::fromLatin1(key.text), key.scan);
        Settle();
        const ovk::COvkModuleData song = Song();
        const std::uint32_t expected = static_cast<std::uint32_t>(12 * m_pattern->Octave() - 11 + key.offset);
        EXPECT_EQ(song.patterns[0][1][row], expected) << "note key " << key.text << " at row " << row;
        EXPECT_EQ(QApplication::focusWidget(), m_pattern);
        for (int c = 0; c < ovk::kChannels; ++c)
            for (int p = 0; p < ovk::kOrderPositions; ++p)
                if (song.orderTable[c][p] != (c == 0 && p == 0 ? 1u : 0u)) {
                    ADD_FAILURE() << "order table changed at channel " << c << ", position " << p;
                    return;
                }
        EXPECT_EQ(State().position, 0);
        if (row == 0)
            m_first = expected;
    }

    // A control is clicked, then a note typed.
    void Between(const char* what, const std::function<void()>& action)
    {
        SCOPED_TRACE(what);
        action();
        // Windows are activated again through the window system's events.
        WaitFor([&] { return QApplication::focusWidget() == m_pattern; }, 2000);
        TypeNote();
        // The first note is never lost.
        EXPECT_EQ(Song().patterns[0][1][0], m_first);
    }

    static void Click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(widget, button, Qt::NoModifier, at);
    }
    // Opens an in-place edit with a click, types into it and ends it with a key.
    void EditInPlace(QWidget* owner, QPoint at, const std::function<ovk::CInPlaceEdit*()>& edit,
                     const QString& text, int endKey)
    {
        Click(owner, at);
        Settle();
        ovk::CInPlaceEdit* field = edit();
        ASSERT_NE(field, nullptr);
        ASSERT_EQ(QApplication::focusWidget(), field);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, static_cast<Qt::Key>(endKey));
        Settle();
        EXPECT_EQ(edit(), nullptr);
    }

    ovk::CPatternWnd* m_pattern = nullptr;
    std::uint32_t m_first = 0;
    std::size_t m_typed = 0;
};

TEST_F(FocusTest, NotesTypedBetweenClicksOnTheMainWindowsControlsAllReachThePattern)
{
    ovk::CBpmWnd* bpm = View().Bpm();
    Between("Stop button", [&] { Click(View().StopButton(), QPoint(16, 16)); });
    Between("envelope button (editor opened and closed)", [&] {
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        Click(View().EnvelopeButton(2), QPoint(16, 16));
    });
    Between("master volume bar", [&] { Click(View().Master()->Bar(), QPoint(40, 10)); });
    Between("mixer fader", [&] { Click(View().Mixer(), QPoint(24 + 40 + 20, 75)); });
    Between("scope, muted", [&] { Click(View().OscBar(), QPoint(24 + 80 + 10, 10)); });
    Between("scope, soloed", [&] { Click(View().OscBar(), QPoint(24 + 80 + 10, 10), Qt::RightButton); });
    Between("tempo spin", [&] { Click(bpm->Spin(), QPoint(5, 3)); });
    Between("tempo typed, Enter", [&] {
        EditInPlace(bpm, QPoint(50, 15), [&] { return bpm->Editor(); }, QStringLiteral("133"), Qt::Key_Return);
        EXPECT_EQ(Song().tempo, 133);
    });
    Between("tempo typed, Escape", [&] {
        EditInPlace(bpm, QPoint(50, 15), [&] { return bpm->Editor(); }, QStringLiteral("90"), Qt::Key_Escape);
        EXPECT_EQ(Song().tempo, 90);
    });
    Between("tempo edit clicked away from", [&] {
        Click(bpm, QPoint(50, 15));
        Settle();
        ASSERT_NE(bpm->Editor(), nullptr);
        Click(View().Mixer(), QPoint(5, 5));
        Settle();
        EXPECT_EQ(bpm->Editor(), nullptr);
    });
    Between("a button added to the status bar later", [&] {
        auto* button = new QPushButton(QStringLiteral("Later"));
        Frame().statusBar()->addWidget(button);
        Settle();
        Click(button, QPoint(5, 5));
    });
    // The order table takes the keyboard when clicked, and gives it back with Tab.
    Between("order table, then Tab", [&] {
        ovk::COrderTableWnd* orders = View().OrderTable();
        Click(orders, orders->CellRect(0, 0).center());
        EXPECT_EQ(QApplication::focusWidget(), orders);
        KeyToFocus(Qt::Key_Tab, QString());
    });
}

TEST_F(FocusTest, NotesTypedBetweenClicksOnTheInstrumentControlsAllReachThePattern)
{
    ovk::CSideWnd* side = View().Side();
    ovk::COscillatorListMainWnd* oscillators = side->OscillatorList();
    ovk::CEffectListMainWnd* effects = side->EffectList();
    Between("Play button of the oscillator list", [&] { oscillators->Button(QStringLiteral("Play"))->click(); });
    Between("Trans button and the transpose bar", [&] {
        Click(oscillators->Button(QStringLiteral("Trans")), QPoint(10, 10));
        Settle();
        QWidget* transpose = oscillators->findChild<QWidget*>(QStringLiteral("Transpose bar"));
        ASSERT_NE(transpose, nullptr);
        QScrollBar* bar = transpose->findChild<QScrollBar*>();
        ASSERT_NE(bar, nullptr);
        Click(bar, QPoint(bar->width() - 4, bar->height() / 2));
    });
    Between("channel spin", [&] {
        Click(oscillators->ChannelSpin(), QPoint(5, 15));  // down from channel 1: stays
    });
    ovk::COscillatorListItemWnd* row = oscillators->Row(false, 0);
    ASSERT_NE(row, nullptr);
    Between("oscillator row, volume bar", [&] { Click(row, ovk::COscillatorListItemWnd::kVolumeBar.center()); });
    Between("oscillator row, FM button", [&] { Click(row, row->ButtonRect(QStringLiteral("fmBt")).center()); });
    Between("oscillator row, empty place", [&] { Click(row, QPoint(row->width() - 5, 5)); });
    Between("oscillator list, below the rows", [&] {
        QWidget* body = oscillators->Body();
        Click(body->parentWidget(), QPoint(20, body->parentWidget()->height() - 5));
    });
    Between("pitch typed, Enter", [&] {
        row = oscillators->Row(false, 0);
        EditInPlace(row, ovk::COscillatorListItemWnd::kFrequency.center(), [&] { return row->FrequencyEdit(); },
                    QStringLiteral("-1.5"), Qt::Key_Return);
        EXPECT_EQ(Song().channels[0].carriers[0].cents, -150);
    });
    Between("volume envelope (editor opened and closed)", [&] {
        row = oscillators->Row(false, 0);
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        Click(row, row->ButtonRect(QStringLiteral("VolEnv")).center());
    });
    Between("Effects tab", [&] { Click(side, QPoint(150, 10)); });
    effects->AddEffect(ovk::EFFECT_DELAY);
    Settle();
    auto* delay = dynamic_cast<ovk::CDelayEffectItemWnd*>(effects->Row(0));
    ASSERT_NE(delay, nullptr);
    Between("effect row, volume bar", [&] { Click(delay->Bar(2), QPoint(30, 5)); });
    Between("effect row, empty place", [&] { Click(delay, QPoint(delay->width() - 5, delay->height() - 5)); });
    Between("effect row, length spin", [&] {
        Click(delay->findChild<ovk::CSpinWnd*>(QStringLiteral("Length spin")), QPoint(5, 3));
    });
    Between("delay length typed, Escape", [&] {
        EditInPlace(delay, ovk::CDelayEffectItemWnd::kLength.center(), [&] { return delay->LengthEdit(); },
                    QStringLiteral("2.5"), Qt::Key_Escape);
        EXPECT_EQ(Song().channels[0].effects[0].p1, 250);
    });
    Between("Oscillators tab", [&] { Click(side, QPoint(50, 10)); });
}

TEST_F(FocusTest, TheKeyboardComesBackToTheOrderTableWhenItHadIt)
{
    ovk::COrderTableWnd* orders = View().OrderTable();
    QTest::mouseClick(orders, Qt::LeftButton, Qt::NoModifier, orders->CellRect(3, 1).center());
    EXPECT_EQ(View().Keyboard().Pane(), orders);
    ovk::CBpmWnd* bpm = View().Bpm();
    QTest::mouseClick(bpm, Qt::LeftButton, Qt::NoModifier, QPoint(50, 15));
    Settle();
    ASSERT_NE(bpm->Editor(), nullptr);
    QTest::keyClick(bpm->Editor(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), orders);
    QTest::mouseClick(View().Mixer(), Qt::LeftButton, Qt::NoModifier, QPoint(24 + 20, 75));
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), orders);
    // Digits typed now are the order table's.
    KeyToFocus(Qt::Key_7, QStringLiteral("7"), 16);
    EXPECT_EQ(Song().orderTable[1][3], 7u);
}

} // namespace
