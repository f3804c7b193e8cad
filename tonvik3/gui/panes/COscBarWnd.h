#pragma once
#include <QWidget>
#include <array>
#include <cstdint>
#include "gui/document/EditorPanes.h"

namespace ovk {

// The oscilloscope bar: one 40 × 30 scope per channel at x = 24 + 40·c,
// showing the channel's latest output while the song plays. A left click
// mutes or unmutes the channel; a right click solos it, or with a solo on,
// turns every channel on again. A muted channel's scope is crossed out.
class COscBarWnd : public QWidget, public IPlaybackListener {
    Q_OBJECT
public:
    static constexpr int kScopeLeft = 24;
    static constexpr int kScopeTop = 2;
    static constexpr int kScopeWidth = 40;
    static constexpr int kScopeHeight = 30;
    static constexpr int kPoints = 40;
    static constexpr unsigned int kHistorySamples = 1024;

    explicit COscBarWnd(QWidget* parent);
    ~COscBarWnd() override;

    // What a left and a right click on scope c do.
    void ToggleChannel(int channel);
    void SoloChannel(int channel);

    // The scope's points as last fetched (every 8th history sample).
    const std::array<std::int32_t, kPoints>& Points(int channel) const { return m_points[channel]; }
    static int ScopeAt(int x, int y);

    void OnPlayTick() override;
    void OnPlayStopped() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::array<std::array<std::int32_t, kPoints>, 8> m_points{};
};

} // namespace ovk
