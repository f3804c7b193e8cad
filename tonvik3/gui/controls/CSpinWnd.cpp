#include "gui/controls/CSpinWnd.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/document/CUiResources.h"

namespace ovk {

CSpinWnd::CSpinWnd(QWidget* parent) : QWidget(parent)
{
    resize(sizeHint());
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &CSpinWnd::TimerFired);
}

void CSpinWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, Ui().Image(CUiResources::IMAGE_SPIN));
    if (m_pressed) {
        // The half being held looks pushed in.
        painter.fillRect(QRect(1, m_up ? 1 : 11, width() - 2, 8), QColor(0, 0, 0, 40));
    }
}

void CSpinWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_up = event->position().y() < 10;
    m_pressed = true;
    Step();
    m_timer.start(kFirstRepeatMs);
    update();
}

void CSpinWnd::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CSpinWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_timer.stop();
    m_pressed = false;
    update();
}

void CSpinWnd::TimerFired()
{
    if (!m_pressed)
        return;
    if (m_timer.interval() != kRepeatMs)
        m_timer.start(kRepeatMs);
    Step();
}

void CSpinWnd::Step()
{
    if (m_up)
        emit Up(this);
    else
        emit Down(this);
}

} // namespace ovk
