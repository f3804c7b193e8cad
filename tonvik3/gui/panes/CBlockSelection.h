#pragma once
#include <QPoint>
#include <algorithm>

namespace ovk {

// A cell of a pane's grid: a channel and a row (a pattern row, or an order
// position in the order table).
struct TGridCell {
    int channel = -1;
    int row = -1;
    bool operator==(const TGridCell&) const = default;
};

// A block selection between an anchor cell and an end cell (either corner),
// as the pattern pane and the order table keep it.
class CBlockSelection {
public:
    void Clear() { m_anchor = m_end = TGridCell{}; }
    void Collapse(TGridCell cell) { m_anchor = m_end = cell; }
    void Extend(TGridCell cell) { m_end = cell; }
    void Select(TGridCell topLeft, int width, int height)
    {
        m_anchor = topLeft;
        m_end = {topLeft.channel + width - 1, topLeft.row + height - 1};
    }

    bool IsEmpty() const { return m_anchor.channel < 0 || m_end.channel < 0; }
    // Nothing, or one cell.
    bool IsSingle() const { return IsEmpty() || (Width() == 1 && Height() == 1); }
    bool Contains(TGridCell cell) const
    {
        return !IsEmpty() && cell.channel >= MinChannel() && cell.channel <= MaxChannel() && cell.row >= MinRow() &&
               cell.row <= MaxRow();
    }

    int MinChannel() const { return std::min(m_anchor.channel, m_end.channel); }
    int MaxChannel() const { return std::max(m_anchor.channel, m_end.channel); }
    int MinRow() const { return std::min(m_anchor.row, m_end.row); }
    int MaxRow() const { return std::max(m_anchor.row, m_end.row); }
    int Width() const { return MaxChannel() - MinChannel() + 1; }
    int Height() const { return MaxRow() - MinRow() + 1; }
    TGridCell TopLeft() const { return {MinChannel(), MinRow()}; }

private:
    TGridCell m_anchor, m_end;
};

// A selected block being dragged with the mouse: where it started, and where
// its top-left cell would land now, kept so that the whole block stays on the grid.
struct TBlockDrag {
    bool active = false;
    QPoint start;
    TGridCell from;    // the block's top-left when the drag began
    TGridCell target;  // its top-left now
    int shift = 0;     // rows added by scrolling during the drag

    void Begin(QPoint at, TGridCell topLeft)
    {
        active = true;
        start = at;
        from = target = topLeft;
        shift = 0;
    }
    // The pointer at `at`: whole cells of cellWidth × cellHeight pixels moved.
    void Follow(QPoint at, int cellWidth, int cellHeight, int width, int height, int channels, int rows)
    {
        const QPoint moved = at - start;
        Place({from.channel + moved.x() / cellWidth, from.row + shift + moved.y() / cellHeight}, width, height,
              channels, rows);
    }
    void Place(TGridCell topLeft, int width, int height, int channels, int rows)
    {
        target = {std::clamp(topLeft.channel, 0, channels - width), std::clamp(topLeft.row, 0, rows - height)};
    }
    bool Moved() const { return !(target == from); }
};

} // namespace ovk
