#include "gui/panes/COrderTableWnd.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "core/song/COvkModuleData.h"
#include "gui/document/CEditorState.h"
#include "gui/panes/CTextStamps.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {

constexpr int kMaxPattern = 15;

// "0" … "F": the texts of entries and, with two digits, of positions.
const QString& HexText(int value)
{
    static const QString* const texts = [] {
        auto* t = new QString[256];
        for (int i = 0; i < 256; ++i)
            t[i] = QString::asprintf("%X", i);
        return t;
    }();
    return texts[value & 0xFF];
}

int HexDigit(const QString& text)
{
    if (text.size() != 1)
        return -1;
    const char c = text[0].toLatin1();
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The song's data under a write lock for the length of one edit.
class CSongWrite {
public:
    CSongWrite() : m_song(EditorState()->song.Get()), m_data(m_song->Lock(kSongWrite)) {}
    ~CSongWrite() { m_song->Unlock(); }
    CSongWrite(const CSongWrite&) = delete;
    CSongWrite& operator=(const CSongWrite&) = delete;
    COvkModuleData* operator->() const { return m_data; }
    COvkModuleData& operator*() const { return *m_data; }

private:
    IOvkModule* m_song;
    COvkModuleData* m_data;
};

} // namespace

COrderTableWnd::COrderTableWnd(QWidget* parent)
    : QWidget(parent),
      m_mouse({kChannels, kOrderPositions, kCellWidth, kRowHeight},
              [](TGridCell cell) {
                  EditorState()->SelectChannel(cell.channel);
                  EditorState()->SelectPosition(cell.row);
              },
              [this](TGridCell target) { MoveBlock(target); }),
      m_scrollBar(new QScrollBar(Qt::Vertical, this))
{
    setObjectName(QStringLiteral("Order table"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scrollBar->setSingleStep(kRowHeight);
    m_scrollBar->setPageStep(4 * kRowHeight);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &COrderTableWnd::SetOffset);
    m_scrollUp.setInterval(kAutoScrollMs);
    m_scrollDown.setInterval(kAutoScrollMs);
    connect(&m_scrollUp, &QTimer::timeout, this, [this] { AutoScrollTick(-1); });
    connect(&m_scrollDown, &QTimer::timeout, this, [this] { AutoScrollTick(1); });
    const CEditorState* state = EditorState();
    m_selection.Collapse({state->channel, state->position});
    EditorState()->orderTable = this;
}

COrderTableWnd::~COrderTableWnd()
{
    if (EditorState() && EditorState()->orderTable == this)
        EditorState()->orderTable = nullptr;
}

int COrderTableWnd::MaxOffset() const { return std::max(0, kContentHeight - height()); }

void COrderTableWnd::SetOffset(int offset)
{
    offset = std::clamp(offset, 0, MaxOffset());
    if (offset == m_offset)
        return;
    m_offset = offset;
    m_scrollBar->setValue(offset);
    update();
}

void COrderTableWnd::UpdateScrollBar()
{
    m_scrollBar->setGeometry(width() - kScrollBarWidth, kHeaderHeight + 1, kScrollBarWidth,
                             height() - kHeaderHeight - 1);
    m_scrollBar->setRange(0, MaxOffset());
    m_scrollBar->setValue(m_offset);
}

void COrderTableWnd::resizeEvent(QResizeEvent*)
{
    UpdateScrollBar();
    SetOffset(m_offset);
}

void COrderTableWnd::ScrollIntoView(int position)
{
    const int first = (m_offset + kRowHeight - 1) / kRowHeight;
    const int count = (height() - 34) / kRowHeight;
    if (position < first)
        SetOffset(kRowHeight * position);
    else if (position > first + count)
        SetOffset(kRowHeight * (position - count));
}

TGridCell COrderTableWnd::CellAt(QPoint at, bool clamp) const
{
    int channel = (at.x() - kNumbersWidth) / kCellWidth;
    if (at.x() < kNumbersWidth)
        channel = -1;
    const int y = at.y() - kHeaderHeight + m_offset;
    int position = y < 0 ? -1 : y / kRowHeight;
    if (clamp)
        return {std::clamp(channel, 0, kChannels - 1), std::clamp(position, 0, kOrderPositions - 1)};
    if (channel < 0 || channel >= kChannels || position < 0 || position >= kOrderPositions || at.y() < kHeaderHeight)
        return {};
    return {channel, position};
}

QRect COrderTableWnd::CellRect(int position, int channel) const
{
    return QRect(kNumbersWidth + kCellWidth * channel, kHeaderHeight + kRowHeight * position - m_offset, kCellWidth,
                 kRowHeight);
}

void COrderTableWnd::ShowCursor(int position, int channel)
{
    position = std::clamp(position, 0, kOrderPositions - 1);
    channel = std::clamp(channel, 0, kChannels - 1);
    m_selection.Collapse({channel, position});
    ScrollIntoView(position);
    update();
}

void COrderTableWnd::AfterEdit()
{
    update();
    EditorState()->RefreshPattern();
}

void COrderTableWnd::SetEntry(int position, int channel, std::uint32_t pattern)
{
    if (position < 0 || position >= kOrderPositions || channel < 0 || channel >= kChannels)
        return;
    {
        CSongWrite song;
        song->orderTable[channel][position] = pattern;
    }
    AfterEdit();
}

void COrderTableWnd::StepEntry(int delta, bool snapshot)
{
    CEditorState* state = EditorState();
    if (snapshot)
        state->PushUndo();
    {
        CSongWrite song;
        std::uint32_t& entry = song->orderTable[state->channel][state->position];
        entry = static_cast<std::uint32_t>(std::clamp(static_cast<int>(entry) + delta, 0, kMaxPattern));
    }
    AfterEdit();
}

void COrderTableWnd::TypeValue(std::uint32_t value)
{
    CEditorState* state = EditorState();
    state->PushUndo();
    {
        CSongWrite song;
        song->orderTable[state->channel][state->position] = value;
    }
    if (state->position < kOrderPositions - 1)
        state->SelectPosition(state->position + 1);
    else
        AfterEdit();
}

void COrderTableWnd::InsertEntry(bool allChannels)
{
    CEditorState* state = EditorState();
    state->PushUndo();
    {
        CSongWrite song;
        if (allChannels) {
            song->InsertOrderPosition(state->position);
        } else {
            std::uint32_t* column = song->orderTable[state->channel];
            std::copy_backward(column + state->position, column + kOrderPositions - 1, column + kOrderPositions);
            column[state->position] = 0;
        }
    }
    AfterEdit();
}

void COrderTableWnd::BackspaceEntry(bool allChannels)
{
    CEditorState* state = EditorState();
    if (state->position == 0)
        return;
    state->SelectPosition(state->position - 1);
    state->PushUndo();
    {
        CSongWrite song;
        if (allChannels) {
            song->DeleteOrderPosition(state->position);
        } else {
            std::uint32_t* column = song->orderTable[state->channel];
            std::copy(column + state->position + 1, column + kOrderPositions, column + state->position);
            column[kOrderPositions - 1] = 0;
        }
    }
    AfterEdit();
}

void COrderTableWnd::DeleteKey()
{
    if (m_selection.IsSingle())
        TypeValue(0);
    else
        ClearSelection();
}

void COrderTableWnd::ClearSelection()
{
    if (m_selection.IsEmpty())
        return;
    EditorState()->PushUndo();
    {
        CSongWrite song;
        for (int c = m_selection.MinChannel(); c <= m_selection.MaxChannel(); ++c)
            for (int p = m_selection.MinRow(); p <= m_selection.MaxRow(); ++p)
                song->orderTable[c][p] = 0;
    }
    AfterEdit();
}

void COrderTableWnd::Copy()
{
    m_clipboard = TClipboard{};
    if (m_selection.IsEmpty())
        return;
    m_clipboard.width = m_selection.Width();
    m_clipboard.height = m_selection.Height();
    IOvkModule* song = EditorState()->song.Get();
    const COvkModuleData* data = song->Lock(kSongRead);
    for (int p = m_selection.MinRow(); p <= m_selection.MaxRow(); ++p)
        for (int c = m_selection.MinChannel(); c <= m_selection.MaxChannel(); ++c)
            m_clipboard.entries.push_back(data->orderTable[c][p]);
    song->Unlock();
}

void COrderTableWnd::Cut()
{
    Copy();
    ClearSelection();
}

void COrderTableWnd::Paste()
{
    if (m_clipboard.entries.empty())
        return;
    CEditorState* state = EditorState();
    state->PushUndo();
    {
        CSongWrite song;
        for (int j = 0; j < m_clipboard.height; ++j)
            for (int i = 0; i < m_clipboard.width; ++i) {
                const int position = state->position + j;
                const int channel = state->channel + i;
                if (position < kOrderPositions && channel < kChannels)
                    song->orderTable[channel][position] = m_clipboard.entries[j * m_clipboard.width + i];
            }
    }
    AfterEdit();
}

void COrderTableWnd::MoveBlock(TGridCell target)
{
    if (m_selection.IsEmpty())
        return;
    const int width = m_selection.Width();
    const int height = m_selection.Height();
    const TGridCell from = m_selection.TopLeft();
    // The block lands whole in the table, wherever it was asked to go.
    target.channel = std::clamp(target.channel, 0, kChannels - width);
    target.row = std::clamp(target.row, 0, kOrderPositions - height);
    EditorState()->PushUndo();
    {
        CSongWrite song;
        std::vector<std::uint32_t> block;
        for (int p = 0; p < height; ++p)
            for (int c = 0; c < width; ++c) {
                std::uint32_t& entry = song->orderTable[from.channel + c][from.row + p];
                block.push_back(entry);
                entry = 0;
            }
        for (int p = 0; p < height; ++p)
            for (int c = 0; c < width; ++c)
                song->orderTable[target.channel + c][target.row + p] = block[p * width + c];
    }
    m_selection.Select(target, width, height);
    AfterEdit();
}

void COrderTableWnd::OnPlayPosition(int value)
{
    const int position = value >= 0 && value < kOrderPositions ? value : -1;
    if (position == m_playPosition)
        return;
    m_playPosition = position;
    if (position >= 0)
        ScrollIntoView(position);
    update();
}

void COrderTableWnd::keyPressEvent(QKeyEvent* event)
{
    CEditorState* state = EditorState();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        state->SelectPosition(state->position - 1);
        return;
    case Qt::Key_Down:
        state->SelectPosition(state->position + 1);
        return;
    case Qt::Key_Left:
        state->SelectChannel(state->channel - 1);
        return;
    case Qt::Key_Right:
        state->SelectChannel(state->channel + 1);
        return;
    case Qt::Key_PageUp:
        state->SelectPosition(state->position - 16);
        return;
    case Qt::Key_PageDown:
        state->SelectPosition(state->position + 16);
        return;
    case Qt::Key_Home:
        state->SelectPosition(0);
        return;
    case Qt::Key_End: {
        IOvkModule* song = state->song.Get();
        const int length = song->Lock(kSongRead)->SongLength();
        song->Unlock();
        state->SelectPosition(std::max(0, length - 1));
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        state->PlayOrStop(control);
        return;
    case Qt::Key_Tab:
        if (state->pattern)
            state->pattern->TakeFocus();
        return;
    case Qt::Key_Insert:
        InsertEntry(shift);
        return;
    case Qt::Key_Backspace:
        BackspaceEntry(shift);
        return;
    case Qt::Key_Delete:
        DeleteKey();
        return;
    default:
        break;
    }
    if (control || (event->modifiers() & Qt::AltModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    const int digit = HexDigit(text);
    if (digit >= 0)
        TypeValue(static_cast<std::uint32_t>(digit));
    else if (text == QLatin1String("+"))
        StepEntry(1, true);
    else if (text == QLatin1String("-"))
        StepEntry(-1, true);
    else
        QWidget::keyPressEvent(event);
}

bool COrderTableWnd::focusNextPrevChild(bool) { return false; }

void COrderTableWnd::focusInEvent(QFocusEvent*) { update(); }
void COrderTableWnd::focusOutEvent(QFocusEvent*) { update(); }

void COrderTableWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const TGridCell cell = CellAt(at, false);
    if (cell.channel < 0)
        return;
    m_lastPointer = at;
    m_mouse.Press(at, cell);
    if (m_mouse.Dragging())
        setCursor(Qt::SizeAllCursor);
    update();
}

void COrderTableWnd::SetAutoScroll(int direction)
{
    if (direction < 0 && !m_scrollUp.isActive())
        m_scrollUp.start();
    if (direction >= 0)
        m_scrollUp.stop();
    if (direction > 0 && !m_scrollDown.isActive())
        m_scrollDown.start();
    if (direction <= 0)
        m_scrollDown.stop();
}

bool COrderTableWnd::AutoScrolling(int direction) const
{
    return direction < 0 ? m_scrollUp.isActive() : m_scrollDown.isActive();
}

void COrderTableWnd::AutoScrollTick(int direction)
{
    SetOffset(m_offset + direction * kAutoScrollPixels);
    // Two positions a tick: a dragged block goes with the table.
    m_mouse.Scrolled(kAutoScrollPixels / kRowHeight * direction, CellAt(m_lastPointer, true));
    update();
}

void COrderTableWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_mouse.Selecting() && !m_mouse.Dragging())
        return;
    const QPoint at = event->position().toPoint();
    m_lastPointer = at;
    SetAutoScroll(at.y() < kHeaderHeight ? -1 : at.y() >= height() ? 1 : 0);
    m_mouse.Move(at, CellAt(at, true));
    update();
}

void COrderTableWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    SetAutoScroll(0);
    unsetCursor();
    m_mouse.Release(CellAt(event->position().toPoint(), true));
    update();
}

void COrderTableWnd::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    SetOffset(m_offset - (delta / 14) * 14 / 2);
    event->accept();
}

void COrderTableWnd::paintEvent(QPaintEvent* event)
{
    const CUiResources& ui = Ui();
    const CUiResources::TPalette& c = ui.Palette();
    const CEditorState* state = EditorState();
    const int tableRight = kNumbersWidth + kCellWidth * kChannels;
    if (!m_text)
        m_text = std::make_unique<CTextStamps>(ui.Font(8), c.black);
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, c.panel);

    // Only the rows that the area to paint touches.
    const int top = std::max(area.top(), kHeaderHeight);
    const int first = std::max(0, (top - kHeaderHeight + m_offset) / kRowHeight);
    const int last = std::min(kOrderPositions - 1, (area.bottom() - kHeaderHeight + m_offset) / kRowHeight);
    if (area.bottom() >= kHeaderHeight && first <= last) {
        std::uint32_t order[kChannels][kOrderPositions];
        {
            IOvkModule* song = state->song.Get();
            const COvkModuleData* data = song->Lock(kSongRead);
            std::copy(&data->orderTable[0][0], &data->orderTable[0][0] + kChannels * kOrderPositions, &order[0][0]);
            song->Unlock();
        }
        const bool focused = hasFocus();
        painter.setClipRect(QRect(0, kHeaderHeight, width(), height() - kHeaderHeight).intersected(area));
        const int y0 = kHeaderHeight + kRowHeight * first - m_offset;
        const int y1 = kHeaderHeight + kRowHeight * (last + 1) - m_offset;
        painter.fillRect(QRect(kNumbersWidth, y0, tableRight - kNumbersWidth, y1 - y0), c.white);
        for (int p = first; p <= last; ++p) {
            const int y = kHeaderHeight + kRowHeight * p - m_offset;
            m_text->DrawInRow(painter, 3, y, kRowHeight, HexText(p));
            for (int ch = 0; ch < kChannels; ++ch) {
                QColor background;
                if (focused && p == state->position && ch == state->channel)
                    background = c.cursor;
                else if (p == m_playPosition)
                    background = c.playRow;
                else if (focused && m_selection.Contains({ch, p}))
                    background = c.selection;
                else
                    background = c.white;
                const QRect cell = CellRect(p, ch);
                if (background != c.white)
                    painter.fillRect(cell, background);
                if (order[ch][p] != 0)
                    m_text->DrawInRow(painter, cell.left() + 4, y, kRowHeight, HexText(static_cast<int>(order[ch][p])));
            }
        }
        // Each cell's outline: a line at its top and left, and one at its bottom and right.
        painter.setPen(c.stripe2);
        for (int p = first; p <= last; ++p) {
            const int y = kHeaderHeight + kRowHeight * p - m_offset;
            painter.drawLine(kNumbersWidth, y, tableRight - 1, y);
            painter.drawLine(kNumbersWidth, y + kRowHeight - 1, tableRight - 1, y + kRowHeight - 1);
        }
        for (int ch = 0; ch < kChannels; ++ch) {
            const int x = kNumbersWidth + kCellWidth * ch;
            painter.drawLine(x, y0, x, y1 - 1);
            painter.drawLine(x + kCellWidth - 1, y0, x + kCellWidth - 1, y1 - 1);
        }
        painter.setPen(c.grey);
        painter.drawLine(kNumbersWidth - 1, kHeaderHeight, kNumbersWidth - 1, height());

        m_mouse.DrawOutlines(painter, [this](TGridCell cell) { return CellRect(cell.row, cell.channel); },
                             c.selectionOutline);
        painter.setClipping(false);
    }

    if (area.top() < kHeaderHeight) {
        ui.DrawHeaderStripes(painter, width());
        painter.setPen(c.grey);
        painter.drawLine(kNumbersWidth, kHeaderHeight - 1, tableRight, kHeaderHeight - 1);
        for (int ch = 1; ch <= kChannels; ++ch)
            m_text->DrawInRow(painter, 34 + kCellWidth * (ch - 1), 0, kHeaderHeight, HexText(ch));
    }
}

} // namespace ovk
