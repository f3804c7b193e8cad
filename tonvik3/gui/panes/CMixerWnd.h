#pragma once
#include <QWidget>
#include <array>
#include "gui/document/EditorPanes.h"

namespace ovk {

// The mixer: one vertical fader per channel for its volume (0-255), with a
// level meter while the song plays. Channel c's strip is 40 × 140 pixels at
// x = 24 + 40·c. The volumes are read from the song whenever it is drawn.
class CMixerWnd : public QWidget, public ISongValuesPane {
    Q_OBJECT
public:
    static constexpr int kStripLeft = 24;
    static constexpr int kStripWidth = 40;
    static constexpr int kStripHeight = 140;

    explicit CMixerWnd(QWidget* parent);
    ~CMixerWnd() override;

    // The volume a press at height y gives (−10 … 260 before clamping), or
    // false outside that range.
    static bool VolumeAt(int y, int& volume);
    // Sets a channel's volume under the song's write lock and redraws its strip.
    void SetVolume(int channel, int volume);
    int Volume(int channel) const;
    int Level(int channel) const { return m_levels[channel]; }

    void Reload() override { update(); }
    void OnPlayTick() override;
    void OnPlayStopped() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static int StripAt(int x);
    void DrawStrip(class QPainter& painter, int channel, int volume);
    QRect StripRect(int channel) const;

    std::array<int, 8> m_levels{};
    int m_dragChannel = -1;
};

} // namespace ovk
