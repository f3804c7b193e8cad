#pragma once
#include <QColor>
#include <QPoint>
#include <functional>

#include "gui/panes/CBlockSelection.h"

class QPainter;
class QRect;

namespace ovk {

// The mouse gestures that the order table and the pattern editor share, on
// a grid of channels × rows: a press inside the selection (a block, or the
// one cell of the cursor) starts dragging it, a press elsewhere puts the
// cursor on the cell and starts a selection there; moving extends the
// selection or moves the block's target, which stays whole on the grid; the
// release moves the block when it went somewhere (a single cell takes the
// cursor with it), or puts the cursor on the cell when it did not.
class CBlockMouse {
public:
    struct TGrid {
        int channels;
        int rows;
        int cellWidth;
        int cellHeight;
    };
    using TCellAction = std::function<void(TGridCell)>;

    // placeCursor moves the editor's cursor (which collapses the selection);
    // moveBlock moves the selected block to a new top-left cell.
    CBlockMouse(TGrid grid, TCellAction placeCursor, TCellAction moveBlock);

    CBlockSelection& Selection() { return m_selection; }
    const CBlockSelection& Selection() const { return m_selection; }
    bool Selecting() const { return m_selecting; }
    bool Dragging() const { return m_drag.active; }

    // A left press on a cell of the grid.
    void Press(QPoint at, TGridCell cell);
    // The pointer at `at`, over `cell` (clamped to the grid).
    void Move(QPoint at, TGridCell cell);
    // The left button up over `cell` (clamped).
    void Release(TGridCell cell);
    // The grid scrolled by rows under a held button (auto-scroll); cell is
    // what is under the pointer now.
    void Scrolled(int rows, TGridCell cell);

    // The selection's outline and, while a drag moved it, the block's target.
    void DrawOutlines(QPainter& painter, const std::function<QRect(TGridCell)>& cellRect, QColor colour) const;

private:
    TGrid m_grid;
    TCellAction m_placeCursor;
    TCellAction m_moveBlock;
    CBlockSelection m_selection;
    bool m_selecting = false;
    TBlockDrag m_drag;
};

} // namespace ovk
