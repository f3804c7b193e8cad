#include "gui/panes/CSideWnd.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/document/CUiResources.h"

namespace ovk {

CSideWnd::CSideWnd(QWidget* parent)
    : QWidget(parent), m_oscillators(new COscillatorListMainWnd(this)), m_effects(new CEffectListMainWnd(this))
{
    setObjectName(QStringLiteral("Side"));
    ShowTab(TAB_OSCILLATORS);
}

void CSideWnd::ShowTab(TTab tab)
{
    m_tab = tab;
    m_oscillators->setVisible(tab == TAB_OSCILLATORS);
    m_effects->setVisible(tab == TAB_EFFECTS);
    update(0, 0, width(), kTabHeight);
}

void CSideWnd::resizeEvent(QResizeEvent*)
{
    const QRect list(0, kTabHeight, width(), height() - kTabHeight);
    m_oscillators->setGeometry(list);
    m_effects->setGeometry(list);
}

void CSideWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || at.y() >= kTabHeight)
        return;
    if (at.x() < 100)
        ShowTab(TAB_OSCILLATORS);
    else if (at.x() >= 101 && at.x() <= 199)
        ShowTab(TAB_EFFECTS);
}

void CSideWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& ui = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), kTabHeight), ui.panel);
    painter.setFont(Ui().Font(9));
    const struct {
        QRect area;
        const char* title;
        TTab tab;
    } tabs[] = {{QRect(0, 0, 100, kTabHeight), "Oscillators", TAB_OSCILLATORS},
                {QRect(101, 0, 99, kTabHeight), "Effects", TAB_EFFECTS}};
    for (const auto& tab : tabs) {
        const bool selected = tab.tab == m_tab;
        // The selected tab joins the list below it.
        const QRect box = selected ? tab.area : tab.area.adjusted(0, 2, 0, 0);
        painter.fillRect(box, selected ? ui.white : ui.stripe2);
        painter.setPen(ui.grey);
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.drawLine(box.topRight(), box.bottomRight());
        if (!selected)
            painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.setPen(ui.black);
        painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(tab.title));
    }
    painter.setPen(ui.grey);
    painter.drawLine(200, kTabHeight - 1, width() - 1, kTabHeight - 1);
}

} // namespace ovk
