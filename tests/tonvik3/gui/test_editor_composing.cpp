// Composing in the order table and the pattern editor, driven with real key
// and mouse events (with the scan codes of a French keyboard where the place
// of a key matters), checked on the note data and the undo history; MIDI
// notes through the MIDI layer's interface.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QThread>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "gui/controls/CInPlaceEdit.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/NoteKeys.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/CUiResources.h"
#include "gui/document/MidiInput.h"

namespace {

using namespace tonvik_test;
using ovk::TGridCell;

class ComposingTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        m_orders = View().OrderTable();
        m_pattern = View().Pattern();
    }
    // A key as the platform sends it: a scan code (0 for none) and the text
    // the layout made of it.
    static void Key(QWidget* pane, int key, const QString& text, quint32 scan = 0,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, scan, 0, 0, text);
        QApplication::sendEvent(pane, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, scan, 0, 0, text);
        QApplication::sendEvent(pane, &release);
    }
    QPoint OrderCell(int position, int channel) const
    {
        return m_orders->CellRect(position, channel).center();
    }
    static QPoint PatternCell(int channel, int row) { return ovk::CPatternWnd::CellRect(channel, row).center(); }
    void Click(QWidget* pane, QPoint at) { QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, at); }
    void Drag(QWidget* pane, QPoint from, QPoint to)
    {
        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(pane, to);
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, to);
    }
    std::uint32_t Cell(int channel, int row) const
    {
        const ovk::COvkModuleData song = Song();
        return song.patterns[channel][song.orderTable[channel][State().position]][row];
    }

    ovk::COrderTableWnd* m_orders = nullptr;
    ovk::CPatternWnd* m_pattern = nullptr;
};

TEST_F(ComposingTest, OrderTableKeysTypeMoveInsertAndDeleteEachAsOneUndoStep)
{
    m_orders->setFocus();
    Key(m_orders, Qt::Key_3, QStringLiteral("3"));
    Key(m_orders, Qt::Key_B, QStringLiteral("b"));
    Key(m_orders, Qt::Key_F, QStringLiteral("F"));
    Key(m_orders, Qt::Key_G, QStringLiteral("g"));  // not a hexadecimal digit
    EXPECT_EQ(Song().orderTable[0][0], 3u);
    EXPECT_EQ(Song().orderTable[0][1], 11u);
    EXPECT_EQ(Song().orderTable[0][2], 15u);
    EXPECT_EQ(State().position, 3);
    EXPECT_EQ(State().undo.Size(), 3u);

    Key(m_orders, Qt::Key_Up, QString());
    Key(m_orders, Qt::Key_Plus, QStringLiteral("+"));
    EXPECT_EQ(Song().orderTable[0][2], 15u);
    Key(m_orders, Qt::Key_Home, QString());
    Key(m_orders, Qt::Key_Minus, QStringLiteral("-"));
    Key(m_orders, Qt::Key_Minus, QStringLiteral("-"));
    Key(m_orders, Qt::Key_Minus, QStringLiteral("-"));
    Key(m_orders, Qt::Key_Minus, QStringLiteral("-"));
    EXPECT_EQ(Song().orderTable[0][0], 0u);

    // Insert in one channel; Shift+Insert at 0 moves every channel down and loses 255.
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[5][0] = 7;
        song.orderTable[5][255] = 9;
    });
    Key(m_orders, Qt::Key_Insert, QString(), 0, Qt::ShiftModifier);
    EXPECT_EQ(Song().orderTable[0][2], 11u);
    EXPECT_EQ(Song().orderTable[5][1], 7u);
    EXPECT_EQ(Song().orderTable[5][255], 0u);
    EXPECT_EQ(Song().orderTable[5][0], 0u);

    // Backspace at 0 does nothing; at 2 it deletes position 1 of this channel.
    const std::size_t steps = State().undo.Size();
    Key(m_orders, Qt::Key_Backspace, QString());
    EXPECT_EQ(State().undo.Size(), steps);
    State().SelectPosition(3);
    Key(m_orders, Qt::Key_Backspace, QString());
    EXPECT_EQ(State().position, 2);
    EXPECT_EQ(Song().orderTable[0][2], 15u);
    EXPECT_EQ(Song().orderTable[5][2], 0u);

    // End goes to the last used position; on an empty song to 0.
    Key(m_orders, Qt::Key_End, QString());
    EXPECT_EQ(State().position, 2);
    Key(m_orders, Qt::Key_PageDown, QString());
    EXPECT_EQ(State().position, 18);
    m_dialogs->answers = {ovk::CEditorDialogs::ANSWER_NO};
    Frame().FileNew();
    State().SelectPosition(40);
    m_orders->setFocus();
    Key(m_orders, Qt::Key_End, QString());
    EXPECT_EQ(State().position, 0);

    // A digit at 255 stays at 255.
    State().SelectPosition(255);
    Key(m_orders, Qt::Key_4, QStringLiteral("4"));
    EXPECT_EQ(Song().orderTable[0][255], 4u);
    EXPECT_EQ(State().position, 255);
    // And every one of these is undone step by step.
    Key(m_orders, Qt::Key_Z, QStringLiteral("z"), 0, Qt::ControlModifier);
    QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Song().orderTable[0][255], 0u);
}

TEST_F(ComposingTest, OrderTableBlocksAreCopiedPastedAndDraggedWhole)
{
    EditSong([](ovk::COvkModuleData& song) {
        for (int p = 0; p < 10; ++p)
            for (int c = 0; c < 3; ++c)
                song.orderTable[c][p] = static_cast<std::uint32_t>(1 + (p + c) % 15);
    });
    m_orders->Reload();
    // Select positions 0-9 of channels 1-2 with the mouse.
    Drag(m_orders, OrderCell(0, 1), OrderCell(9, 2));
    EXPECT_EQ(m_orders->Selection().Width(), 2);
    EXPECT_EQ(m_orders->Selection().Height(), 10);
    EXPECT_TRUE(m_orders->hasFocus());
    Frame().EditCopy();

    // Pasted at position 250 of channel 7: positions 250-255 of channel 7 only.
    State().SelectChannel(7);
    State().SelectPosition(250);
    Frame().EditPaste();
    const ovk::COvkModuleData song = Song();
    for (int p = 250; p < 256; ++p)
        EXPECT_EQ(song.orderTable[7][p], static_cast<std::uint32_t>(1 + (p - 250 + 1) % 15)) << p;
    EXPECT_EQ(song.orderTable[6][250], 0u);

    // Dragged down by three and right by far too much: it lands whole at the right edge.
    State().SelectPosition(0);
    Drag(m_orders, OrderCell(0, 0), OrderCell(2, 2));
    const ovk::COvkModuleData before = Song();
    QTest::mousePress(m_orders, Qt::LeftButton, Qt::NoModifier, OrderCell(1, 1));
    QTest::mouseMove(m_orders, OrderCell(4, 1) + QPoint(300, 0));
    QTest::mouseRelease(m_orders, Qt::LeftButton, Qt::NoModifier, OrderCell(4, 1) + QPoint(300, 0));
    const ovk::COvkModuleData after = Song();
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(after.orderTable[5 + c][3 + p], before.orderTable[c][p]) << p << "," << c;
    EXPECT_EQ(after.orderTable[0][0], 0u);
    EXPECT_EQ(m_orders->Selection().TopLeft(), (TGridCell{5, 3}));
    Frame().EditUndo();
    EXPECT_EQ(SaveSong(Song()), SaveSong(before));
    Frame().EditRedo();
    EXPECT_EQ(SaveSong(Song()), SaveSong(after));
}

TEST_F(ComposingTest, OrderTableScrollsByWheelBarAndWhileSelectingBeyondItsEdge)
{
    QWheelEvent notch(QPointF(60, 100), m_orders->mapToGlobal(QPointF(60, 100)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_orders, &notch);
    EXPECT_EQ(m_orders->Offset(), 56);
    m_orders->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m_orders->Offset(), 70);
    m_orders->SetOffset(100000);
    EXPECT_EQ(m_orders->Offset(), 3608 - m_orders->height());

    m_orders->SetOffset(0);
    QTest::mousePress(m_orders, Qt::LeftButton, Qt::NoModifier, OrderCell(30, 0));
    QTest::mouseMove(m_orders, QPoint(40, m_orders->height() + 10));
    EXPECT_TRUE(m_orders->AutoScrolling(1));
    m_orders->AutoScrollTick(1);
    m_orders->AutoScrollTick(1);
    EXPECT_EQ(m_orders->Offset(), 56);
    QTest::mouseRelease(m_orders, Qt::LeftButton, Qt::NoModifier, QPoint(40, m_orders->height() + 10));
    EXPECT_FALSE(m_orders->AutoScrolling(1));
    EXPECT_EQ(m_orders->Selection().MinRow(), 30);
    // The end follows the row under the pointer as the table scrolls.
    EXPECT_EQ(m_orders->Selection().MaxRow(), (m_orders->height() + 10 - 20 + 56) / 14);

    // The cursor is kept in view.
    State().SelectPosition(200);
    const int first = (m_orders->Offset() + 13) / 14;
    EXPECT_LE(first, 200);
    EXPECT_GE(first + (m_orders->height() - 34) / 14, 200);
}

TEST_F(ComposingTest, TypedNotesFollowTheOctaveAndTakeTheLowestEmptyPattern)
{
    EditSong([](ovk::COvkModuleData& song) { song.patterns[2][1][3] = 40; });
    State().SelectChannel(2);
    m_pattern->setFocus();
    const QImage headerBefore = m_pattern->grab(QRect(0, 0, m_pattern->width(), 21)).toImage();
    QTest::keyClick(m_pattern, Qt::Key_Q, Qt::NoModifier);  // no scan code: by its character
    // Pattern 1 of channel 3 holds a note, so the lowest empty one is 2.
    EXPECT_EQ(Song().orderTable[2][0], 2u);
    EXPECT_EQ(Song().patterns[2][2][0], 61u);
    EXPECT_EQ(State().row, 1);
    EXPECT_NE(m_pattern->grab(QRect(0, 0, m_pattern->width(), 21)).toImage(), headerBefore);
    EXPECT_TRUE(State().previewControl->IsPlaying() || !State().CanPlay());

    QTest::keyClick(m_pattern, Qt::Key_F8);
    EXPECT_EQ(m_pattern->Octave(), 8);
    QTest::keyClick(m_pattern, Qt::Key_P);
    EXPECT_EQ(Cell(2, 1), 113u);  // E-9
    QTest::keyClick(m_pattern, Qt::Key_F1);
    QTest::keyClick(m_pattern, Qt::Key_Z);
    EXPECT_EQ(Cell(2, 2), 1u);  // C-0
    char name[8];
    EXPECT_STREQ(ovk::NoteName(113, name), "E-9");
    EXPECT_STREQ(ovk::NoteName(1, name), "C-0");
    EXPECT_STREQ(ovk::NoteName(255, name), "off");

    // At row 15 the note is written and the cursor stays.
    State().SelectRow(15);
    QTest::keyClick(m_pattern, Qt::Key_X);
    EXPECT_EQ(Cell(2, 15), 3u);
    EXPECT_EQ(State().row, 15);
}

TEST_F(ComposingTest, OnAFrenchKeyboardTheNotesAreWhereTheyAreOnAnyOther)
{
    m_pattern->setFocus();
    // AZERTY: the key at the place of Z types "w", the one at Q types "a",
    // the one at 2 types "é"; they are C, C and C# all the same.
    Key(m_pattern, Qt::Key_W, QStringLiteral("w"), ovk::notekeys::ScanCodeOfOffset(0));
    Key(m_pattern, Qt::Key_A, QStringLiteral("a"), 24);
    Key(m_pattern, Qt::Key_Eacute, QStringLiteral("é"), 11);
    // The key labelled Z on AZERTY is at the place of W: D of the upper row.
    Key(m_pattern, Qt::Key_Z, QStringLiteral("z"), 25);
    // Between left Shift and W: "<", the note off; Caps Lock too.
    Key(m_pattern, Qt::Key_Less, QStringLiteral("<"), ovk::notekeys::kScanLessGreater);
    Key(m_pattern, Qt::Key_CapsLock, QString(), ovk::notekeys::kScanCapsLock);
    EXPECT_EQ(Cell(0, 0), 49u);
    EXPECT_EQ(Cell(0, 1), 61u);
    EXPECT_EQ(Cell(0, 2), 62u);
    EXPECT_EQ(Cell(0, 3), 63u);
    EXPECT_EQ(Cell(0, 4), 255u);
    EXPECT_EQ(Cell(0, 5), 255u);
    // A key that is no note key by place is not one by its letter either.
    Key(m_pattern, Qt::Key_Q, QStringLiteral("q"), 38);  // AZERTY Q sits at the place of A
    EXPECT_EQ(Cell(0, 6), 0u);
    EXPECT_EQ(State().row, 6);
}

TEST_F(ComposingTest, RowsAreInsertedAndDeletedInOneOrAllChannels)
{
    EditSong([](ovk::COvkModuleData& song) {
        for (int c = 0; c < 8; ++c) {
            song.orderTable[c][0] = 1;
            for (int r = 0; r < 16; ++r)
                song.patterns[c][1][r] = static_cast<std::uint32_t>(1 + r);
        }
    });
    m_pattern->setFocus();
    Key(m_pattern, Qt::Key_Backspace, QString());  // row 0: nothing
    EXPECT_EQ(Cell(0, 0), 1u);
    State().SelectRow(4);
    Key(m_pattern, Qt::Key_Insert, QString());
    EXPECT_EQ(Cell(0, 4), 0u);
    EXPECT_EQ(Cell(0, 5), 5u);
    EXPECT_EQ(Cell(1, 4), 5u);
    Key(m_pattern, Qt::Key_Insert, QString(), 0, Qt::ShiftModifier);
    EXPECT_EQ(Cell(1, 4), 0u);
    EXPECT_EQ(Cell(1, 15), 15u);
    Key(m_pattern, Qt::Key_Backspace, QString(), 0, Qt::ShiftModifier);
    EXPECT_EQ(State().row, 3);
    EXPECT_EQ(Cell(1, 3), 0u);
    EXPECT_EQ(Cell(1, 15), 0u);
    EXPECT_EQ(Cell(0, 3), 0u);
}

TEST_F(ComposingTest, PlusAndMinusInThePatternPaneTakeNoSnapshot)
{
    m_pattern->setFocus();
    Key(m_pattern, Qt::Key_Plus, QStringLiteral("+"));
    Key(m_pattern, Qt::Key_Plus, QStringLiteral("+"));
    EXPECT_EQ(Song().orderTable[0][0], 2u);
    EXPECT_EQ(State().undo.Size(), 0u);
    Key(m_pattern, Qt::Key_Minus, QStringLiteral("-"));
    EXPECT_EQ(Song().orderTable[0][0], 1u);
    EXPECT_EQ(State().undo.Size(), 0u);

    // Such a change after an undo is not thrown away by a redo.
    QTest::keyClick(m_pattern, Qt::Key_Q);
    Frame().EditUndo();
    EXPECT_EQ(State().undo.RedoSize(), 1u);
    Key(m_pattern, Qt::Key_Plus, QStringLiteral("+"));
    Frame().EditRedo();
    EXPECT_EQ(Song().orderTable[0][0], 2u);
    EXPECT_EQ(Song().patterns[0][1][0], 0u);
}

TEST_F(ComposingTest, AChannelWithAllPatternsInUseSaysSoAndChangesNothing)
{
    EditSong([](ovk::COvkModuleData& song) {
        for (int p = 1; p < 16; ++p)
            song.patterns[4][p][p] = 30;
    });
    State().SelectChannel(4);
    m_pattern->setFocus();
    const TBytes before = SaveSong(Song());
    QTest::keyClick(m_pattern, Qt::Key_Q);
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("No empty pattern available.\nSelect pattern to edit with + and - keys."));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(SaveSong(Song()), before);
    EXPECT_TRUE(m_pattern->hasFocus());

    // A paste that needs a pattern there is refused whole and leaves no undo step.
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[3][0] = 1;
        song.patterns[3][1][0] = 61;
        song.patterns[3][1][1] = 62;
    });
    const TBytes withBlock = SaveSong(Song());
    State().SelectChannel(3);
    State().SelectRow(0);
    // From the row below the cursor up to it: a press on the cursor would drag it.
    Drag(m_pattern, PatternCell(3, 1), PatternCell(3, 0));
    Frame().EditCopy();
    const std::size_t steps = State().undo.Size();
    State().SelectChannel(4);
    Frame().EditPaste();
    ASSERT_EQ(m_dialogs->messages.size(), 2u);
    EXPECT_EQ(m_dialogs->messages[1].text,
              QStringLiteral("No empty patterns available in channel 5.\nSelect existing channel first."));
    EXPECT_EQ(SaveSong(Song()), withBlock);
    EXPECT_EQ(State().undo.Size(), steps);
}

TEST_F(ComposingTest, PatternBlocksArePastedClippedAndDraggedWhole)
{
    EditSong([](ovk::COvkModuleData& song) {
        for (int c = 0; c < 3; ++c) {
            song.orderTable[c][0] = 1;
            for (int r = 0; r < 4; ++r)
                song.patterns[c][1][r] = static_cast<std::uint32_t>(10 * (c + 1) + r);
        }
    });
    m_pattern->ReloadPattern();
    m_pattern->setFocus();
    Drag(m_pattern, PatternCell(2, 3), PatternCell(0, 0));
    EXPECT_EQ(m_pattern->Selection().Width(), 3);
    EXPECT_EQ(m_pattern->Selection().TopLeft(), (TGridCell{0, 0}));
    Frame().EditCopy();

    // A 3-channel block at channel 7 writes channels 7 and 8 only; rows from 14 on are cut at 15.
    State().SelectChannel(6);
    State().SelectRow(14);
    Frame().EditPaste();
    EXPECT_EQ(Song().orderTable[6][0], 1u);
    EXPECT_EQ(Cell(6, 14), 10u);
    EXPECT_EQ(Cell(7, 15), 21u);
    EXPECT_EQ(Cell(6, 0), 0u);

    // Cut clears the block; Delete with one cell clears that cell.
    State().SelectChannel(0);
    State().SelectRow(0);
    Drag(m_pattern, PatternCell(1, 1), PatternCell(1, 2));
    Frame().EditCut();
    EXPECT_EQ(Cell(1, 1), 0u);
    EXPECT_EQ(Cell(1, 2), 0u);
    EXPECT_EQ(Cell(1, 3), 23u);
    Click(m_pattern, PatternCell(2, 0));
    Key(m_pattern, Qt::Key_Delete, QString());
    EXPECT_EQ(Cell(2, 0), 0u);
    // Delete in a channel without a pattern gives it none.
    State().SelectChannel(5);
    Key(m_pattern, Qt::Key_Delete, QString());
    EXPECT_EQ(Song().orderTable[5][0], 0u);

    // A block dragged against the bottom right stays whole; undo and redo take it back and forth.
    Drag(m_pattern, PatternCell(0, 0), PatternCell(0, 3));
    const ovk::COvkModuleData before = Song();
    QTest::mousePress(m_pattern, Qt::LeftButton, Qt::NoModifier, PatternCell(0, 1));
    QTest::mouseMove(m_pattern, PatternCell(0, 1) + QPoint(40 * 9, 14 * 30));
    QTest::mouseRelease(m_pattern, Qt::LeftButton, Qt::NoModifier, PatternCell(0, 1) + QPoint(40 * 9, 14 * 30));
    EXPECT_EQ(m_pattern->Selection().TopLeft(), (TGridCell{7, 12}));
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(Cell(7, 12 + r), before.patterns[0][1][r]) << r;
    EXPECT_EQ(Cell(0, 0), 0u);
    Frame().EditUndo();
    EXPECT_EQ(SaveSong(Song()), SaveSong(before));
    Frame().EditRedo();
    EXPECT_EQ(Cell(7, 12), before.patterns[0][1][0]);
}

TEST_F(ComposingTest, ASingleCellIsDraggedInBothPanesAndTheCursorGoesWithIt)
{
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[1][2] = 5;
        song.orderTable[2][0] = 1;
        song.patterns[2][1][4] = 61;
    });
    m_orders->Reload();
    m_pattern->ReloadPattern();

    // The pattern pane: the cursor's cell, dragged two channels right and
    // three rows down (into a channel without a pattern, which gets one).
    State().SelectChannel(2);
    State().SelectRow(4);
    const std::size_t steps = State().undo.Size();
    Drag(m_pattern, PatternCell(2, 4), PatternCell(4, 7));
    EXPECT_EQ(Cell(2, 4), 0u);
    EXPECT_EQ(Song().orderTable[4][0], 1u);
    EXPECT_EQ(Cell(4, 7), 61u);
    EXPECT_EQ(State().channel, 4);
    EXPECT_EQ(State().row, 7);
    EXPECT_TRUE(m_pattern->Selection().IsSingle());
    EXPECT_EQ(State().undo.Size(), steps + 1);
    // Pressed and released on the cursor without moving: nothing changes.
    const TBytes moved = SaveSong(Song());
    Click(m_pattern, PatternCell(4, 7));
    EXPECT_EQ(SaveSong(Song()), moved);
    Frame().EditUndo();
    EXPECT_EQ(Cell(2, 4), 61u);
    EXPECT_EQ(Song().orderTable[4][0], 0u);

    // The order table: the cursor's entry dragged to another channel and position.
    State().SelectChannel(1);
    State().SelectPosition(2);
    Drag(m_orders, OrderCell(2, 1), OrderCell(6, 3));
    EXPECT_EQ(Song().orderTable[1][2], 0u);
    EXPECT_EQ(Song().orderTable[3][6], 5u);
    EXPECT_EQ(State().position, 6);
    EXPECT_EQ(State().channel, 3);
    EXPECT_TRUE(m_orders->hasFocus());
}

TEST_F(ComposingTest, TabMovesTheFocusAndEditCommandsReachOnlyTheFocusedPane)
{
    m_pattern->setFocus();
    Key(m_pattern, Qt::Key_Tab, QString());
    EXPECT_TRUE(m_orders->hasFocus());
    Key(m_orders, Qt::Key_Tab, QString());
    EXPECT_TRUE(m_pattern->hasFocus());

    EditSong([](ovk::COvkModuleData& song) { song.orderTable[0][0] = 3; });
    // With the keyboard in a text field (the tempo's), Cut does nothing.
    QTest::mouseClick(View().Bpm(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 15));
    ASSERT_NE(View().Bpm()->Editor(), nullptr);
    EXPECT_TRUE(View().Bpm()->Editor()->hasFocus());
    m_orders->ShowCursor(0, 0);
    Frame().EditCut();
    EXPECT_EQ(Song().orderTable[0][0], 3u);
}

TEST_F(ComposingTest, ThePlayedRowIsRedAndTheHeaderFollowsThePlayedPosition)
{
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[0][0] = 1;
        song.orderTable[0][5] = 2;
        song.patterns[0][2][0] = 50;
    });
    const QColor red = ovk::Ui().Palette().playRow;
    m_pattern->OnPlayPosition(5 * 16 + 3);
    m_orders->OnPlayPosition(5);
    EXPECT_EQ(m_pattern->ShownPosition(), 5);
    QImage pattern = m_pattern->grab().toImage();
    EXPECT_EQ(pattern.pixelColor(PatternCell(3, 3)), red);
    QImage orders = m_orders->grab().toImage();
    EXPECT_EQ(orders.pixelColor(OrderCell(5, 3) + QPoint(-5, -5)), red);

    m_pattern->OnPlayPosition(0xFFFF);
    m_orders->OnPlayPosition(0xFFFF);
    EXPECT_EQ(m_pattern->ShownPosition(), 0);
    pattern = m_pattern->grab().toImage();
    orders = m_orders->grab().toImage();
    EXPECT_NE(pattern.pixelColor(PatternCell(3, 3)), red);
    EXPECT_NE(orders.pixelColor(OrderCell(5, 3) + QPoint(-5, -5)), red);
}

// A MIDI keyboard that the test plays.
class CTestMidi : public ovk::IMidiInput {
public:
    explicit CTestMidi(bool available) : m_available(available) {}
    bool Available() const override { return m_available; }
    std::string Problem() const override { return "none here"; }
    std::vector<std::string> Ports() override { return {"Keys A", "Keys B"}; }
    bool Open(const std::string& port) override
    {
        open = port;
        return true;
    }
    void Close() override { open.clear(); }
    std::string OpenPort() const override { return open; }
    void SetNoteHandler(TNoteHandler h) override { handler = std::move(h); }

    TNoteHandler handler;
    std::string open;

private:
    bool m_available;
};

TEST_F(ComposingTest, MidiNotesAreTypedLikeKeysAndThePortIsRemembered)
{
    auto owned = std::make_unique<CTestMidi>(true);
    CTestMidi* midi = owned.get();
    App().SetMidiInput(std::move(owned));
    QThread* player = QThread::create([midi] {
        midi->handler(60);   // C-5
        midi->handler(127);  // beyond B-9: ignored
        midi->handler(0);    // C-0
    });
    player->start();
    player->wait();
    delete player;
    Settle();
    EXPECT_EQ(Cell(0, 0), 61u);
    EXPECT_EQ(Cell(0, 1), 1u);
    EXPECT_EQ(State().row, 2);
    EXPECT_EQ(State().undo.Size(), 2u);
    unsigned char on[] = {0x93, 64, 100}, off[] = {0x93, 64, 0}, control[] = {0xB0, 7, 100};
    EXPECT_EQ(ovk::NoteOnOf(on, 3), 64);
    EXPECT_EQ(ovk::NoteOnOf(off, 3), -1);
    EXPECT_EQ(ovk::NoteOnOf(control, 3), -1);

    QMenu* menu = Frame().findChild<QMenu*>(QStringLiteral("MidiMenu"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QAction* keysB = Frame().findChild<QAction*>(QStringLiteral("Midi:Keys B"));
    ASSERT_NE(keysB, nullptr);
    keysB->trigger();
    EXPECT_EQ(midi->open, "Keys B");
    EXPECT_EQ(App().Settings().MidiInput(), QStringLiteral("Keys B"));

    App().SetMidiInput(std::make_unique<CTestMidi>(false));
    emit menu->aboutToShow();
    QAction* none = Frame().findChild<QAction*>(QStringLiteral("MidiUnavailable"));
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->isEnabled());
    EXPECT_EQ(none->text(), QStringLiteral("No MIDI system found"));
}

} // namespace
