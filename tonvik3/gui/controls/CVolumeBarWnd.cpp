#include "gui/controls/CVolumeBarWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "gui/document/CUiResources.h"

namespace ovk {

namespace {
constexpr int kMargin = 8;
}

CVolumeBarWnd::CVolumeBarWnd(QWidget* parent) : QWidget(parent) {}

void CVolumeBarWnd::SetFraction(double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update();
}

void CVolumeBarWnd::SetLevel(double level)
{
    level = std::clamp(level, 0.0, 1.0);
    if (level == m_level)
        return;
    m_level = level;
    update();
}

void CVolumeBarWnd::SetFromX(double x)
{
    const double span = std::max(1, width() - 2 * kMargin);
    m_fraction = std::clamp((x - kMargin) / span, 0.0, 1.0);
    update();
    emit Changed(this);
}

void CVolumeBarWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    SetFromX(event->position().x());
}

void CVolumeBarWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        SetFromX(event->position().x());
}

void CVolumeBarWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    emit Released(this);
}

void CVolumeBarWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& c = Ui().Palette();
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), c.white);
    painter.setPen(c.grey);
    painter.drawRect(0, 0, w - 1, h - 1);

    // The track, filled up to the fraction, with the level as a thin strip below.
    const int span = w - 2 * kMargin;
    const int trackTop = h / 2 - 3;
    painter.fillRect(kMargin, trackTop, span, 6, c.veryLightGrey);
    painter.fillRect(kMargin, trackTop, static_cast<int>(span * m_fraction + 0.5), 6, c.faderBar);
    painter.setPen(c.grey);
    painter.drawRect(kMargin, trackTop, span - 1, 5);
    if (m_level > 0.0)
        painter.fillRect(kMargin, h - 5, static_cast<int>(span * m_level + 0.5), 3, c.level);

    const int knobX = kMargin + static_cast<int>(span * m_fraction + 0.5);
    painter.setPen(c.knobOutline);
    painter.setBrush(c.knob);
    painter.drawRect(knobX - 3, 2, 6, h - 5);
}

} // namespace ovk
