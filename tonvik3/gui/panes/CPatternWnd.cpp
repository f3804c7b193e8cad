#include "gui/panes/CPatternWnd.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "core/song/COvkModuleData.h"
#include "gui/panes/NoteKeys.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/panes/CTextStamps.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {

constexpr int kLastRow = kRows - 1;

bool HasPattern(std::uint32_t entry) { return entry >= 1 && entry < static_cast<std::uint32_t>(kPatterns); }

} // namespace

const char* const CPatternWnd::kNoEmptyPattern =
    "No empty pattern available.\nSelect pattern to edit with + and - keys.";
const char* const CPatternWnd::kNoEmptyPatternInChannel =
    "No empty patterns available in channel %d.\nSelect existing channel first.";

CPatternWnd::CPatternWnd(QWidget* parent)
    : QWidget(parent),
      m_mouse({kChannels, kRows, kCellWidth, kCellHeight},
              [](TGridCell cell) {
                  EditorState()->SelectChannel(cell.channel);
                  EditorState()->SelectRow(cell.row);
              },
              [this](TGridCell target) { MoveBlock(target); })
{
    setObjectName(QStringLiteral("Pattern"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    const CEditorState* state = EditorState();
    m_selection.Collapse({state->channel, state->row});
    EditorState()->pattern = this;
}

CPatternWnd::~CPatternWnd()
{
    if (EditorState() && EditorState()->pattern == this)
        EditorState()->pattern = nullptr;
}

int CPatternWnd::ShownPosition() const { return m_playPosition >= 0 ? m_playPosition : EditorState()->position; }

QRect CPatternWnd::CellRect(int channel, int row)
{
    return QRect(kNumbersWidth + kCellWidth * channel, kHeaderHeight + kCellHeight * row, kCellWidth, kCellHeight);
}

TGridCell CPatternWnd::CellAt(QPoint at, bool clamp) const
{
    const int x = at.x() - kNumbersWidth;
    const int y = at.y() - kHeaderHeight;
    int channel = x < 0 ? -1 : x / kCellWidth;
    int row = y < 0 ? -1 : y / kCellHeight;
    if (clamp)
        return {std::clamp(channel, 0, kChannels - 1), std::clamp(row, 0, kLastRow)};
    if (channel < 0 || channel >= kChannels || row < 0 || row > kLastRow)
        return {};
    return {channel, row};
}

void CPatternWnd::ShowChannel(int channel)
{
    m_selection.Collapse({channel, EditorState()->row});
    update();
}

void CPatternWnd::SetCursorRow(int row)
{
    m_selection.Collapse({EditorState()->channel, row});
    update();
}

void CPatternWnd::SetOctave(int octave)
{
    m_octave = std::clamp(octave, 1, 8);
    update(0, 0, width(), kHeaderHeight);
}

void CPatternWnd::ShowNoEmptyPattern(int channel, bool namingChannel)
{
    const QString text = namingChannel ? QString::asprintf(kNoEmptyPatternInChannel, channel + 1)
                                       : QString::fromLatin1(kNoEmptyPattern);
    Dialogs().Message(this, text, QStringLiteral("Error"), CEditorDialogs::ICON_ERROR);
    setFocus(Qt::OtherFocusReason);
}

bool CPatternWnd::AssignPatterns(int first, int count, bool namingChannel)
{
    CEditorState* state = EditorState();
    const int position = state->position;
    std::vector<std::pair<int, int>> assignments;
    {
        IOvkModule* song = state->song.Get();
        const COvkModuleData* data = song->Lock(kSongRead);
        for (int c = first; c < std::min(first + count, kChannels); ++c) {
            if (HasPattern(data->orderTable[c][position]))
                continue;
            const int empty = data->FirstEmptyPattern(c);
            if (empty == 0) {
                song->Unlock();
                ShowNoEmptyPattern(c, namingChannel);
                return false;
            }
            assignments.emplace_back(c, empty);
        }
        song->Unlock();
    }
    for (const auto& [channel, pattern] : assignments) {
        if (state->orderTable) {
            state->orderTable->SetEntry(position, channel, static_cast<std::uint32_t>(pattern));
        } else {
            state->song->Lock(kSongWrite)->orderTable[channel][position] = static_cast<std::uint32_t>(pattern);
            state->song->Unlock();
        }
    }
    return true;
}

void CPatternWnd::TypeValue(std::uint32_t value)
{
    CEditorState* state = EditorState();
    const int channel = state->channel;
    const int position = state->position;
    const int row = state->row;
    IOvkModule* song = state->song.Get();
    if (value == 0) {
        // Clearing a cell of a channel without a pattern has nothing to clear:
        // it does not give the channel a pattern (which would lengthen the song).
        const bool hasPattern = HasPattern(song->Lock(kSongRead)->orderTable[channel][position]);
        song->Unlock();
        if (!hasPattern)
            return;
    }
    state->PushUndo();
    COvkModuleData* data = song->Lock(kSongWrite);
    if (!HasPattern(data->orderTable[channel][position])) {
        const int empty = data->FirstEmptyPattern(channel);
        if (empty == 0) {
            song->Unlock();
            ShowNoEmptyPattern(channel, false);
            return;
        }
        // The order table stores it inside this write lock and shows it.
        if (state->orderTable)
            state->orderTable->SetEntry(position, channel, static_cast<std::uint32_t>(empty));
        else
            data->orderTable[channel][position] = static_cast<std::uint32_t>(empty);
    }
    data->patterns[channel][data->orderTable[channel][position]][row] = value;
    song->Unlock();
    if (row < kLastRow)
        state->SelectRow(row + 1);
    else
        update();
    if (value >= 1 && value <= 254)
        state->PreviewNote(channel, value);
}

void CPatternWnd::EnterMidiNote(int midiNote)
{
    const int value = midiNote + 1;
    if (value >= 1 && value <= 120)
        TypeValue(static_cast<std::uint32_t>(value));
}

void CPatternWnd::InsertRow(bool allChannels)
{
    CEditorState* state = EditorState();
    state->PushUndo();
    IOvkModule* song = state->song.Get();
    COvkModuleData* data = song->Lock(kSongWrite);
    for (int c = allChannels ? 0 : state->channel; c <= (allChannels ? kChannels - 1 : state->channel); ++c)
        if (HasPattern(data->orderTable[c][state->position]))
            data->InsertRow(c, static_cast<int>(data->orderTable[c][state->position]), state->row);
    song->Unlock();
    update();
}

void CPatternWnd::BackspaceRow(bool allChannels)
{
    CEditorState* state = EditorState();
    if (state->row == 0)
        return;
    state->SelectRow(state->row - 1);
    state->PushUndo();
    IOvkModule* song = state->song.Get();
    COvkModuleData* data = song->Lock(kSongWrite);
    for (int c = allChannels ? 0 : state->channel; c <= (allChannels ? kChannels - 1 : state->channel); ++c)
        if (HasPattern(data->orderTable[c][state->position]))
            data->DeleteRow(c, static_cast<int>(data->orderTable[c][state->position]), state->row);
    song->Unlock();
    update();
}

void CPatternWnd::DeleteKey()
{
    if (m_selection.IsSingle())
        TypeValue(0);
    else
        ClearSelection();
}

void CPatternWnd::ClearSelection()
{
    if (m_selection.IsEmpty())
        return;
    CEditorState* state = EditorState();
    state->PushUndo();
    IOvkModule* song = state->song.Get();
    COvkModuleData* data = song->Lock(kSongWrite);
    for (int c = m_selection.MinChannel(); c <= m_selection.MaxChannel(); ++c) {
        const std::uint32_t pattern = data->orderTable[c][state->position];
        if (!HasPattern(pattern))
            continue;
        for (int r = m_selection.MinRow(); r <= m_selection.MaxRow(); ++r)
            data->patterns[c][pattern][r] = 0;
    }
    song->Unlock();
    update();
}

void CPatternWnd::Copy()
{
    m_clipboard = TClipboard{};
    if (m_selection.IsEmpty())
        return;
    m_clipboard.width = m_selection.Width();
    m_clipboard.height = m_selection.Height();
    CEditorState* state = EditorState();
    IOvkModule* song = state->song.Get();
    const COvkModuleData* data = song->Lock(kSongRead);
    for (int r = m_selection.MinRow(); r <= m_selection.MaxRow(); ++r)
        for (int c = m_selection.MinChannel(); c <= m_selection.MaxChannel(); ++c) {
            // A channel without a pattern reads pattern 0, which is kept empty.
            const std::uint32_t pattern = HasPattern(data->orderTable[c][state->position])
                                              ? data->orderTable[c][state->position]
                                              : 0;
            m_clipboard.cells.push_back(data->patterns[c][pattern][r]);
        }
    song->Unlock();
}

void CPatternWnd::Cut()
{
    Copy();
    ClearSelection();
}

void CPatternWnd::Paste()
{
    if (m_clipboard.cells.empty())
        return;
    CEditorState* state = EditorState();
    const bool added = state->PushUndo();
    if (!AssignPatterns(state->channel, m_clipboard.width, true)) {
        // Nothing was changed: the snapshot goes again, as if it had been undone.
        if (added)
            state->undo.DropNewest();
        return;
    }
    IOvkModule* song = state->song.Get();
    COvkModuleData* data = song->Lock(kSongWrite);
    for (int j = 0; j < m_clipboard.height; ++j)
        for (int i = 0; i < m_clipboard.width; ++i) {
            const int row = state->row + j;
            const int channel = state->channel + i;
            if (row > kLastRow || channel >= kChannels)
                continue;
            const std::uint32_t pattern = data->orderTable[channel][state->position];
            if (HasPattern(pattern))
                data->patterns[channel][pattern][row] = m_clipboard.cells[j * m_clipboard.width + i];
        }
    song->Unlock();
    update();
}

void CPatternWnd::MoveBlock(TGridCell target)
{
    if (m_selection.IsEmpty())
        return;
    CEditorState* state = EditorState();
    const int width = m_selection.Width();
    const int height = m_selection.Height();
    const TGridCell from = m_selection.TopLeft();
    // The block lands whole on the grid, wherever it was asked to go.
    target.channel = std::clamp(target.channel, 0, kChannels - width);
    target.row = std::clamp(target.row, 0, kRows - height);
    const bool added = state->PushUndo();
    if (!AssignPatterns(target.channel, width, true)) {
        if (added)
            state->undo.DropNewest();
        return;
    }
    IOvkModule* song = state->song.Get();
    COvkModuleData* data = song->Lock(kSongWrite);
    std::vector<std::uint32_t> block;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const std::uint32_t pattern = data->orderTable[from.channel + c][state->position];
            std::uint32_t value = 0;
            if (HasPattern(pattern)) {
                value = std::exchange(data->patterns[from.channel + c][pattern][from.row + r], 0u);
            }
            block.push_back(value);
        }
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const std::uint32_t pattern = data->orderTable[target.channel + c][state->position];
            if (HasPattern(pattern))
                data->patterns[target.channel + c][pattern][target.row + r] = block[r * width + c];
        }
    song->Unlock();
    m_selection.Select(target, width, height);
    update();
}

void CPatternWnd::OnPlayPosition(int value)
{
    const int position = value >= 0 && value < 0xFFFF ? value / kRows : -1;
    const int row = value >= 0 && value < 0xFFFF ? value % kRows : -1;
    if (position == m_playPosition && row == m_playRow)
        return;
    const bool rebuild = position != m_playPosition;
    const int oldRow = m_playRow;
    m_playPosition = position;
    m_playRow = row;
    if (rebuild) {
        update();
        return;
    }
    for (int r : {oldRow, row})
        if (r >= 0)
            update(QRect(kNumbersWidth, kHeaderHeight + kCellHeight * r, kCellWidth * kChannels, kCellHeight));
}

void CPatternWnd::keyPressEvent(QKeyEvent* event)
{
    CEditorState* state = EditorState();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        if (control)
            state->SelectPosition(state->position - 1);
        else
            state->SelectRow(state->row - 1);
        return;
    case Qt::Key_Down:
        if (control)
            state->SelectPosition(state->position + 1);
        else
            state->SelectRow(state->row + 1);
        return;
    case Qt::Key_Left:
        state->SelectChannel(state->channel - 1);
        return;
    case Qt::Key_Right:
        state->SelectChannel(state->channel + 1);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_Home:
        state->SelectRow(0);
        return;
    case Qt::Key_PageDown:
    case Qt::Key_End:
        state->SelectRow(kLastRow);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        state->PlayOrStop(control);
        return;
    case Qt::Key_Tab:
        if (state->orderTable)
            state->orderTable->TakeFocus();
        return;
    case Qt::Key_Insert:
        InsertRow(shift);
        return;
    case Qt::Key_Backspace:
        BackspaceRow(shift);
        return;
    case Qt::Key_Delete:
        DeleteKey();
        return;
    default:
        break;
    }
    if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F8 && !control) {
        SetOctave(event->key() - Qt::Key_F1 + 1);
        return;
    }
    if (notekeys::IsNoteOff(*event)) {
        TypeValue(notekeys::kNoteOff);
        return;
    }
    const int offset = notekeys::OffsetOf(*event);
    if (offset >= 0) {
        TypeValue(notekeys::NoteValue(offset, m_octave));
        return;
    }
    if (!control && !(event->modifiers() & Qt::AltModifier)) {
        // Raising and lowering the order entry from here takes no snapshot.
        if (event->text() == QLatin1String("+") && state->orderTable) {
            state->orderTable->StepEntry(1, false);
            return;
        }
        if (event->text() == QLatin1String("-") && state->orderTable) {
            state->orderTable->StepEntry(-1, false);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool CPatternWnd::focusNextPrevChild(bool) { return false; }
void CPatternWnd::focusInEvent(QFocusEvent*) { update(); }
void CPatternWnd::focusOutEvent(QFocusEvent*) { update(); }

void CPatternWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const TGridCell cell = CellAt(at, false);
    if (cell.channel < 0)
        return;
    m_mouse.Press(at, cell);
    if (m_mouse.Dragging())
        setCursor(Qt::SizeAllCursor);
    update();
}

void CPatternWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_mouse.Selecting() && !m_mouse.Dragging())
        return;
    const QPoint at = event->position().toPoint();
    m_mouse.Move(at, CellAt(at, true));
    update();
}

void CPatternWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    unsetCursor();
    m_mouse.Release(CellAt(event->position().toPoint(), true));
    update();
}

void CPatternWnd::paintEvent(QPaintEvent* event)
{
    const CUiResources& ui = Ui();
    const CUiResources::TPalette& c = ui.Palette();
    const CEditorState* state = EditorState();
    const int shown = ShownPosition();
    if (!m_text) {
        m_text = std::make_unique<CTextStamps>(ui.Font(8), c.black);
        m_faint = std::make_unique<CTextStamps>(ui.Font(8), c.grey);
        m_small = std::make_unique<CTextStamps>(ui.Font(7), c.black);
    }
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.fillRect(event->rect(), c.panel);

    std::uint32_t entries[kChannels];
    std::uint32_t cells[kChannels][kRows];
    {
        IOvkModule* song = state->song.Get();
        const COvkModuleData* data = song->Lock(kSongRead);
        for (int ch = 0; ch < kChannels; ++ch) {
            entries[ch] = data->orderTable[ch][shown];
            const std::uint32_t pattern = HasPattern(entries[ch]) ? entries[ch] : 0;
            std::copy(data->patterns[ch][pattern], data->patterns[ch][pattern] + kRows, cells[ch]);
        }
        song->Unlock();
    }

    // The header: stripes, the octave box, and each channel's number with its pattern.
    ui.DrawHeaderStripes(painter, width());
    painter.fillRect(QRect(2, 3, 21, 15), c.white);
    painter.setPen(c.grey);
    painter.drawRect(QRect(2, 3, 20, 14));
    const QString octave = QString::asprintf("o%d", m_octave);
    m_text->DrawInRow(painter, 2 + (21 - m_text->Width(octave)) / 2, 3, 15, octave);
    for (int ch = 0; ch < kChannels; ++ch) {
        const int x = 32 + kCellWidth * ch;
        if (HasPattern(entries[ch])) {
            const QString number = QString::number(ch + 1);
            m_text->DrawInRow(painter, x, 0, kHeaderHeight - 1, number);
            m_small->DrawInRow(painter, x + m_text->Width(number), 2, kHeaderHeight - 1,
                               QString::asprintf("/%X", entries[ch]));
        } else {
            m_text->DrawInRow(painter, x, 0, kHeaderHeight - 1, QString::asprintf("  %d", ch + 1));
        }
    }
    painter.setPen(c.grey);
    painter.drawLine(0, kHeaderHeight - 1, width(), kHeaderHeight - 1);

    // The row numbers.
    for (int r = 0; r < kRows; ++r) {
        const QString number = QString::asprintf("%X", r);
        m_text->DrawInRow(painter, kNumbersWidth - 4 - m_text->Width(number), kHeaderHeight + kCellHeight * r,
                          kCellHeight, number);
    }
    painter.setPen(c.grey);
    painter.drawLine(kNumbersWidth - 1, kHeaderHeight, kNumbersWidth - 1, kHeaderHeight + kCellHeight * kRows);

    // The cells.
    const bool focused = hasFocus();
    char name[8];
    for (int ch = 0; ch < kChannels; ++ch) {
        const bool hasPattern = HasPattern(entries[ch]);
        for (int r = 0; r < kRows; ++r) {
            const QRect cell = CellRect(ch, r);
            QColor background;
            if (focused && ch == state->channel && r == state->row)
                background = c.cursor;
            else if (focused && m_selection.Contains({ch, r}))
                background = c.selection;
            else if (r == m_playRow)
                background = c.playRow;
            else if (hasPattern)
                background = r % 4 == 0 ? c.paleGreen : c.white;
            else
                background = c.veryLightGrey;
            painter.fillRect(cell, background);
            const std::uint32_t value = cells[ch][r];
            if (value != 0) {
                CTextStamps& text = value == notekeys::kNoteOff ? *m_faint : *m_text;
                text.DrawInRow(painter, cell.left() + 8, cell.top(), kCellHeight, QString::fromLatin1(NoteName(value, name)));
            }
        }
    }
    // Each cell's outline, as lines along the whole grid.
    const int gridRight = kNumbersWidth + kCellWidth * kChannels;
    const int gridBottom = kHeaderHeight + kCellHeight * kRows;
    painter.setPen(c.lightLine);
    for (int r = 0; r < kRows; ++r) {
        const int y = kHeaderHeight + kCellHeight * r;
        painter.drawLine(kNumbersWidth, y, gridRight - 1, y);
        painter.drawLine(kNumbersWidth, y + kCellHeight - 1, gridRight - 1, y + kCellHeight - 1);
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        const int x = kNumbersWidth + kCellWidth * ch;
        painter.drawLine(x, kHeaderHeight, x, gridBottom - 1);
        painter.drawLine(x + kCellWidth - 1, kHeaderHeight, x + kCellWidth - 1, gridBottom - 1);
    }
    m_mouse.DrawOutlines(painter, [](TGridCell cell) { return CellRect(cell.channel, cell.row); },
                         c.selectionOutline);
}

} // namespace ovk
