#pragma once
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/panes/CBlockMouse.h"
#include "gui/document/EditorPanes.h"

class QScrollBar;

namespace ovk {
class CTextStamps;
}

namespace ovk {

// The order table: which pattern each channel plays at each of the 256 order
// positions. Its cursor is the editor's position and channel; a selected
// block can be copied, cut, pasted, cleared and dragged; the row being
// played is red while the song plays. Every change takes an undo snapshot
// first and is made under the song's write lock.
class COrderTableWnd : public QWidget, public IOrderTablePane {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 20;
    static constexpr int kNumbersWidth = 32;
    static constexpr int kCellWidth = 14;
    static constexpr int kRowHeight = 14;
    static constexpr int kScrollBarWidth = 16;
    static constexpr int kContentHeight = 3608;  // header and 256 rows, with a margin
    static constexpr int kAutoScrollMs = 50;
    static constexpr int kAutoScrollPixels = 28;

    explicit COrderTableWnd(QWidget* parent);
    ~COrderTableWnd() override;

    // IOrderTablePane
    void ShowCursor(int position, int channel) override;
    void Reload() override { update(); }
    void TakeFocus() override { setFocus(Qt::OtherFocusReason); }
    void SetEntry(int position, int channel, std::uint32_t pattern) override;
    void StepEntry(int delta, bool snapshot) override;
    bool HasKeyboardFocus() const override { return hasFocus(); }
    void Cut() override;
    void Copy() override;
    void Paste() override;
    void OnPlayPosition(int value) override;

    // The edits behind the keys, each one undo step.
    void TypeValue(std::uint32_t value);
    void InsertEntry(bool allChannels);
    void BackspaceEntry(bool allChannels);
    void DeleteKey();
    void ClearSelection();
    void MoveBlock(TGridCell target);

    // Scrolling: the offset in pixels, 0 … MaxOffset().
    int Offset() const { return m_offset; }
    int MaxOffset() const;
    void SetOffset(int offset);
    void ScrollIntoView(int position);
    // One tick of the auto-scroll timer going up (-1) or down (+1).
    void AutoScrollTick(int direction);
    bool AutoScrolling(int direction) const;

    const CBlockSelection& Selection() const { return m_selection; }
    int PlayPosition() const { return m_playPosition; }
    // The cell under a point of the pane, clamped to the table when clamp is set.
    TGridCell CellAt(QPoint at, bool clamp) const;
    QRect CellRect(int position, int channel) const;
    QScrollBar* ScrollBar() const { return m_scrollBar; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct TClipboard {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> entries;  // position by position, channels left to right
    };

    void SetAutoScroll(int direction);
    void UpdateScrollBar();
    void AfterEdit();

    CBlockMouse m_mouse;
    CBlockSelection& m_selection = m_mouse.Selection();
    QPoint m_lastPointer;
    int m_playPosition = -1;
    TClipboard m_clipboard;
    int m_offset = 0;
    QScrollBar* m_scrollBar;
    QTimer m_scrollUp;
    QTimer m_scrollDown;
    std::unique_ptr<CTextStamps> m_text;
};

} // namespace ovk
