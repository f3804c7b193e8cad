#include "gui/controls/CRowButtons.h"

#include <QPainter>

#include "gui/document/CUiResources.h"

namespace ovk {

void CRowButtons::Add(const QString& name, const QString& text, const QRect& place, TAction action, bool checkable)
{
    m_buttons.push_back({name, text, place, std::move(action), checkable, false, true});
}

int CRowButtons::Find(const QString& name) const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i].name == name)
            return static_cast<int>(i);
    return -1;
}

int CRowButtons::At(const QPoint& at) const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i].visible && m_buttons[i].place.contains(at))
            return static_cast<int>(i);
    return -1;
}

void CRowButtons::SetVisible(const QString& name, bool visible)
{
    if (const int i = Find(name); i >= 0)
        m_buttons[static_cast<std::size_t>(i)].visible = visible;
}

void CRowButtons::SetChecked(const QString& name, bool checked)
{
    if (const int i = Find(name); i >= 0)
        m_buttons[static_cast<std::size_t>(i)].checked = checked;
}

bool CRowButtons::IsChecked(const QString& name) const
{
    const int i = Find(name);
    return i >= 0 && m_buttons[static_cast<std::size_t>(i)].checked;
}

QRect CRowButtons::Rect(const QString& name) const
{
    const int i = Find(name);
    return i >= 0 && m_buttons[static_cast<std::size_t>(i)].visible ? m_buttons[static_cast<std::size_t>(i)].place
                                                                     : QRect();
}

bool CRowButtons::Press(const QPoint& at)
{
    m_pressed = At(at);
    return m_pressed >= 0;
}

bool CRowButtons::Release(const QPoint& at)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    if (pressed < 0)
        return false;
    if (At(at) == pressed) {
        const TAction action = m_buttons[static_cast<std::size_t>(pressed)].action;
        if (action)
            action();
    }
    return true;
}

void CRowButtons::Paint(QPainter& painter) const
{
    const CUiResources::TPalette& c = Ui().Palette();
    painter.setFont(Ui().Font(7));
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const TButton& b = m_buttons[i];
        if (!b.visible)
            continue;
        const bool sunken = static_cast<int>(i) == m_pressed || (b.checkable && b.checked);
        const QRect r = b.place;
        painter.fillRect(r, sunken ? c.stripe2 : c.stripe1);
        painter.setPen(sunken ? c.frameDark : c.frameLight);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(sunken ? c.frameLight : c.frameDark);
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.setPen(c.black);
        painter.drawText(r.translated(sunken ? 1 : 0, sunken ? 1 : 0), Qt::AlignCenter, b.text);
    }
}

} // namespace ovk
