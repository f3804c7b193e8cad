#include "gui/panes/CMixerWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/song/COvkModuleData.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {

constexpr int kTrackX = 15;
constexpr int kTrackTop = 20;
constexpr int kTrackHeight = 110;
constexpr int kTrackWidth = 10;
constexpr int kMeterX = 29;
constexpr int kMeterWidth = 5;

} // namespace

CMixerWnd::CMixerWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Mixer"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    EditorState()->mixer = this;
}

CMixerWnd::~CMixerWnd()
{
    if (EditorState() && EditorState()->mixer == this)
        EditorState()->mixer = nullptr;
}

bool CMixerWnd::VolumeAt(int y, int& volume)
{
    volume = (125 - y) * 256 / 100;
    return volume >= -10 && volume <= 260;
}

int CMixerWnd::StripAt(int x)
{
    if (x < kStripLeft)
        return -1;
    const int channel = (x - kStripLeft) / kStripWidth;
    return channel < kChannels ? channel : -1;
}

QRect CMixerWnd::StripRect(int channel) const
{
    return QRect(kStripLeft + kStripWidth * channel, 0, kStripWidth, kStripHeight);
}

int CMixerWnd::Volume(int channel) const
{
    IOvkModule* song = EditorState()->song.Get();
    const int volume = song->Lock(kSongRead)->channels[channel].volume;
    song->Unlock();
    return volume;
}

void CMixerWnd::SetVolume(int channel, int volume)
{
    IOvkModule* song = EditorState()->song.Get();
    song->Lock(kSongWrite)->channels[channel].volume = std::clamp(volume, 0, 255);
    song->Unlock();
    update(StripRect(channel));
}

void CMixerWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const int channel = StripAt(at.x());
    int volume = 0;
    if (channel < 0 || !VolumeAt(at.y(), volume))
        return;
    m_dragChannel = channel;
    SetVolume(channel, volume);
}

void CMixerWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragChannel < 0)
        return;
    // Held, the fader follows the pointer even beyond its range.
    const int volume = (125 - static_cast<int>(event->position().y())) * 256 / 100;
    SetVolume(m_dragChannel, volume);
}

void CMixerWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragChannel = -1;
}

void CMixerWnd::OnPlayTick()
{
    CEditorState* state = EditorState();
    for (int c = 0; c < kChannels; ++c)
        m_levels[c] = state->LevelAtPlayTime(c);
    update();
}

void CMixerWnd::OnPlayStopped()
{
    m_levels.fill(0);
    update();
}

void CMixerWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ui().Palette().panel);
    std::array<int, kChannels> volumes{};
    {
        IOvkModule* song = EditorState()->song.Get();
        const COvkModuleData* data = song->Lock(kSongRead);
        for (int c = 0; c < kChannels; ++c)
            volumes[c] = data->channels[c].volume;
        song->Unlock();
    }
    painter.setFont(Ui().Font(8));
    for (int c = 0; c < kChannels; ++c)
        DrawStrip(painter, c, volumes[c]);
}

void CMixerWnd::DrawStrip(QPainter& painter, int channel, int volume)
{
    const CUiResources::TPalette& ui = Ui().Palette();
    const QRect strip = StripRect(channel);
    const int x = strip.left();
    painter.fillRect(strip, ui.white);
    painter.setPen(ui.lightLine);
    for (int y = 25; y <= 125; y += 25)
        painter.drawLine(x + 1, y, x + kStripWidth - 2, y);

    const int trackBottom = kTrackTop + kTrackHeight;
    painter.fillRect(x + kTrackX, kTrackTop, kTrackWidth, kTrackHeight, ui.veryLightGrey);
    painter.setPen(ui.grey);
    painter.drawRect(x + kTrackX, kTrackTop, kTrackWidth - 1, kTrackHeight - 1);

    const int shown = std::clamp(volume, 0, 255);
    const int barHeight = shown * 100 / 256 + 5;
    painter.fillRect(x + kTrackX + 1, trackBottom - barHeight, kTrackWidth - 2, barHeight - 1, ui.faderBar);
    const int knobTop = trackBottom - barHeight - 7;
    painter.setPen(ui.knobOutline);
    painter.setBrush(ui.knob);
    painter.drawRect(x + kTrackX - 2, knobTop, 13, 13);
    painter.setBrush(Qt::NoBrush);

    if (EditorState()->IsPlaying() && m_levels[channel] > 0) {
        const int levelHeight = std::min(m_levels[channel], 32767) * kTrackHeight / 32768;
        painter.fillRect(x + kMeterX, trackBottom - levelHeight, kMeterWidth, levelHeight, ui.level);
    }

    painter.setPen(ui.grey);
    painter.drawText(QRect(x, trackBottom, kStripWidth, kStripHeight - trackBottom), Qt::AlignCenter,
                     QString::asprintf("%d", volume));
    // Strips are separated by a faint line.
    painter.setPen(ui.stripe2);
    painter.drawLine(x + kStripWidth - 1, 0, x + kStripWidth - 1, kStripHeight - 1);
}

} // namespace ovk
