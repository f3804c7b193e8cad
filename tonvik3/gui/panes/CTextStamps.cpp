#include "gui/panes/CTextStamps.h"

#include <QFontMetrics>
#include <QPainter>

namespace ovk {

CTextStamps::CTextStamps(const QFont& font, QColor colour) : m_font(font), m_colour(colour)
{
    const QFontMetrics metrics(m_font);
    m_height = metrics.height();
    m_ascent = metrics.ascent();
}

const QPixmap& CTextStamps::Stamp(const QString& text)
{
    auto found = m_stamps.find(text);
    if (found != m_stamps.end())
        return *found;
    const QFontMetrics metrics(m_font);
    QPixmap stamp(std::max(1, metrics.horizontalAdvance(text) + 1), m_height);
    stamp.fill(Qt::transparent);
    QPainter painter(&stamp);
    painter.setFont(m_font);
    painter.setPen(m_colour);
    painter.drawText(0, m_ascent, text);
    painter.end();
    return *m_stamps.insert(text, stamp);
}

void CTextStamps::Draw(QPainter& painter, int x, int y, const QString& text) { painter.drawPixmap(x, y, Stamp(text)); }

void CTextStamps::DrawInRow(QPainter& painter, int x, int top, int rowHeight, const QString& text)
{
    Draw(painter, x, top + (rowHeight - m_height) / 2, text);
}

int CTextStamps::Width(const QString& text) { return Stamp(text).width() - 1; }

} // namespace ovk
