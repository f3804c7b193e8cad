#include "gui/panes/CBlockMouse.h"

#include <QPainter>
#include <QRect>

namespace ovk {

CBlockMouse::CBlockMouse(TGrid grid, TCellAction placeCursor, TCellAction moveBlock)
    : m_grid(grid), m_placeCursor(std::move(placeCursor)), m_moveBlock(std::move(moveBlock))
{
}

void CBlockMouse::Press(QPoint at, TGridCell cell)
{
    if (m_selection.Contains(cell)) {
        m_drag.Begin(at, m_selection.TopLeft());
        return;
    }
    m_selecting = true;
    m_placeCursor(cell);
    m_selection.Collapse(cell);
}

void CBlockMouse::Move(QPoint at, TGridCell cell)
{
    if (m_selecting)
        m_selection.Extend(cell);
    else if (m_drag.active)
        m_drag.Follow(at, m_grid.cellWidth, m_grid.cellHeight, m_selection.Width(), m_selection.Height(),
                      m_grid.channels, m_grid.rows);
}

void CBlockMouse::Release(TGridCell cell)
{
    m_selecting = false;
    if (!m_drag.active)
        return;
    m_drag.active = false;
    if (m_drag.Moved()) {
        const bool single = m_selection.IsSingle();
        m_moveBlock(m_drag.target);
        // A moved cell is where the cursor goes; a block that could not move
        // (no pattern free for it) stays selected where it was.
        if (single && m_selection.TopLeft() == m_drag.target) {
            m_placeCursor(m_drag.target);
            m_selection.Collapse(m_drag.target);
        }
        return;
    }
    m_placeCursor(cell);
    m_selection.Collapse(cell);
}

void CBlockMouse::Scrolled(int rows, TGridCell cell)
{
    if (m_drag.active) {
        m_drag.shift += rows;
        m_drag.Place({m_drag.target.channel, m_drag.target.row + rows}, m_selection.Width(), m_selection.Height(),
                     m_grid.channels, m_grid.rows);
    } else if (m_selecting) {
        m_selection.Extend(cell);
    }
}

void CBlockMouse::DrawOutlines(QPainter& painter, const std::function<QRect(TGridCell)>& cellRect,
                               QColor colour) const
{
    auto outline = [&](TGridCell topLeft) {
        const QRect box = cellRect(topLeft).united(
            cellRect({topLeft.channel + m_selection.Width() - 1, topLeft.row + m_selection.Height() - 1}));
        painter.setPen(colour);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    };
    if (!m_selection.IsSingle())
        outline(m_selection.TopLeft());
    if (m_drag.active && m_drag.Moved())
        outline(m_drag.target);
}

} // namespace ovk
