#pragma once
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/panes/CBlockMouse.h"
#include "gui/document/EditorPanes.h"

namespace ovk {

class CTextStamps;

// The pattern editor: the eight patterns that the order table gives the
// channels at the current order position, 8 channels × 16 rows. Notes are
// typed on the computer keyboard laid out as a piano (by key position) or
// played on a MIDI keyboard; rows are inserted and deleted; blocks are
// selected, copied, cut, pasted, cleared and dragged. While the song plays
// it follows the played position. Every change except "+" and "-" takes an
// undo snapshot first; all go through the song's write lock.
class CPatternWnd : public QWidget, public IPatternPane {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 21;
    static constexpr int kNumbersWidth = 25;
    static constexpr int kCellWidth = 40;
    static constexpr int kCellHeight = 14;
    static const char* const kNoEmptyPattern;
    static const char* const kNoEmptyPatternInChannel;

    explicit CPatternWnd(QWidget* parent);
    ~CPatternWnd() override;

    // IPatternPane
    void ShowChannel(int channel) override;
    void SetCursorRow(int row) override;
    void ReloadPattern() override { update(); }
    void TakeFocus() override { setFocus(Qt::OtherFocusReason); }
    bool HasKeyboardFocus() const override { return hasFocus(); }
    void Cut() override;
    void Copy() override;
    void Paste() override;
    void OnPlayPosition(int value) override;

    // The edits behind the keys and the mouse.
    // Writes a value (a note 1-254, 255 note off, 0 to clear) into the cursor
    // cell, giving the channel its lowest empty pattern when it has none at
    // the position, moves the cursor down and sounds a note.
    void TypeValue(std::uint32_t value);
    // A note from a MIDI keyboard: note 60 is C-5 (61); others outside 1-120 are ignored.
    void EnterMidiNote(int midiNote) override;
    void InsertRow(bool allChannels);
    void BackspaceRow(bool allChannels);
    void DeleteKey();
    void ClearSelection();
    void MoveBlock(TGridCell target);

    int Octave() const { return m_octave; }
    void SetOctave(int octave);
    int PlayRow() const { return m_playRow; }
    int PlayPosition() const { return m_playPosition; }
    // The order position whose patterns are shown: the played one while playing.
    int ShownPosition() const;
    const CBlockSelection& Selection() const { return m_selection; }
    // The cell under a point, clamped to the grid when clamp is set.
    TGridCell CellAt(QPoint at, bool clamp) const;
    static QRect CellRect(int channel, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct TClipboard {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> cells;  // row by row, channels left to right
    };

    // Gives every channel of [first, first + count) that has no pattern at the
    // position its lowest empty one. Nothing is assigned unless all can be;
    // false (after the message naming the channel) when one cannot.
    bool AssignPatterns(int first, int count, bool namingChannel);
    void ShowNoEmptyPattern(int channel, bool namingChannel);

    CBlockMouse m_mouse;
    CBlockSelection& m_selection = m_mouse.Selection();
    int m_octave = 5;
    int m_playRow = -1;
    int m_playPosition = -1;
    TClipboard m_clipboard;
    std::unique_ptr<CTextStamps> m_text, m_faint, m_small;
};

} // namespace ovk
