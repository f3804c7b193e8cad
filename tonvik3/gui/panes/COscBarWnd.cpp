#include "gui/panes/COscBarWnd.h"

#include <QMouseEvent>
#include <QPainter>

#include "core/song/COvkModuleData.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

COscBarWnd::COscBarWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Oscbar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    EditorState()->oscBar = this;
}

COscBarWnd::~COscBarWnd()
{
    if (EditorState() && EditorState()->oscBar == this)
        EditorState()->oscBar = nullptr;
}

int COscBarWnd::ScopeAt(int x, int y)
{
    if (x < kScopeLeft || y < kScopeTop || y >= kScopeTop + kScopeHeight)
        return -1;
    const int channel = (x - kScopeLeft) / kScopeWidth;
    return channel < kChannels ? channel : -1;
}

void COscBarWnd::ToggleChannel(int channel)
{
    CEditorState* state = EditorState();
    state->SetChannelEnabled(channel, !state->ChannelEnabled(channel));
    update();
}

void COscBarWnd::SoloChannel(int channel)
{
    CEditorState* state = EditorState();
    bool othersOn = true;
    for (int c = 0; c < kChannels; ++c)
        if (c != channel && !state->ChannelEnabled(c))
            othersOn = false;
    // With every other channel on, only this one stays; otherwise all come back.
    for (int c = 0; c < kChannels; ++c)
        state->SetChannelEnabled(c, othersOn ? c == channel : true);
    update();
}

void COscBarWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int channel = ScopeAt(at.x(), at.y());
    if (channel < 0)
        return;
    if (event->button() == Qt::LeftButton)
        ToggleChannel(channel);
    else if (event->button() == Qt::RightButton)
        SoloChannel(channel);
}

void COscBarWnd::OnPlayTick()
{
    std::array<std::int32_t, kHistorySamples> samples;
    CEditorState* state = EditorState();
    for (int c = 0; c < kChannels; ++c) {
        if (!state->HistoryAtPlayTime(c, samples.data(), kHistorySamples)) {
            m_points[c].fill(0);
            continue;
        }
        for (int i = 0; i < kPoints; ++i)
            m_points[c][i] = samples[i * 8];
    }
    update();
}

void COscBarWnd::OnPlayStopped()
{
    for (auto& points : m_points)
        points.fill(0);
    update();
}

void COscBarWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& ui = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(rect(), ui.panel);
    const CEditorState* state = EditorState();
    for (int c = 0; c < kChannels; ++c) {
        const int left = kScopeLeft + kScopeWidth * c;
        const QRect scope(left, kScopeTop, kScopeWidth, kScopeHeight);
        painter.fillRect(scope, ui.black);
        const auto& points = m_points[c];
        auto yOf = [&](std::int32_t sample) { return kScopeTop + 15 - sample * 60 / 65536; };
        for (int i = 1; i < kPoints; ++i) {
            painter.setPen(points[i] != 0 ? ui.white : ui.grey);
            painter.drawLine(left + i - 1, yOf(points[i - 1]), left + i, yOf(points[i]));
        }
        painter.setPen(ui.grey);
        painter.drawRect(scope.adjusted(0, 0, -1, -1));
        if (!state->ChannelEnabled(c)) {
            painter.setPen(ui.white);
            painter.setFont(Ui().Font(20));
            // A large X from the scope's corner, as the mute mark.
            painter.drawText(QRect(left + 7, kScopeTop - 2, kScopeWidth - 7, kScopeHeight + 2),
                             Qt::AlignLeft | Qt::AlignTop, QStringLiteral("X"));
        }
    }
}

} // namespace ovk
