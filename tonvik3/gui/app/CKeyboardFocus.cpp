#include "gui/app/CKeyboardFocus.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace ovk {

CKeyboardFocus::CKeyboardFocus(QWidget* view, QWidget* firstPane, QWidget* secondPane)
    : m_view(view), m_panes{firstPane, secondPane}, m_pane(firstPane)
{
    QWidget* window = m_view->window();
    Apply(window);
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (InMainWindow(widget))
            Apply(widget);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &CKeyboardFocus::OnFocusChanged);
}

CKeyboardFocus::~CKeyboardFocus() { qApp->removeEventFilter(this); }

bool CKeyboardFocus::TakesText(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

bool CKeyboardFocus::InMainWindow(const QWidget* widget) const
{
    // The view, the menu bar, the status bar. isAncestorOf stops at windows:
    // dialogs keep their own focus rules.
    const QWidget* window = m_view->window();
    return widget && (widget == window || window->isAncestorOf(widget));
}

bool CKeyboardFocus::IsPane(const QWidget* widget) const
{
    return widget && (widget == m_panes[0] || widget == m_panes[1]);
}

void CKeyboardFocus::Apply(QWidget* widget)
{
    if (IsPane(widget)) {
        // A click takes the keyboard, a focus chain never lands here: when a
        // text field closes, Qt would hand its keyboard to the next widget.
        widget->setFocusPolicy(Qt::ClickFocus);
    } else if (!TakesText(widget)) {
        widget->setFocusPolicy(Qt::NoFocus);
    }
}

void CKeyboardFocus::GiveBack()
{
    QWidget* pane = m_pane ? m_pane.data() : m_panes[0].data();
    if (pane)
        pane->setFocus(Qt::OtherFocusReason);
}

void CKeyboardFocus::GiveBackLater()
{
    if (m_givingBack)
        return;
    m_givingBack = true;
    // After the focus change that asked for it has ended.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_givingBack = false;
            const QWidget* focus = QApplication::focusWidget();
            if (QApplication::activeWindow() != m_view->window())
                return;
            if (focus && (!InMainWindow(focus) || IsPane(focus) || TakesText(focus)))
                return;
            GiveBack();
        },
        Qt::QueuedConnection);
}

void CKeyboardFocus::ReturnToMainWindow()
{
    QWidget* window = m_view->window();
    if (!window->isVisible())
        return;
    // Only when no other window of the editor is being worked in (the one
    // that closed may still count as active for a moment).
    const QWidget* active = QApplication::activeWindow();
    if (active && active != window && active->isVisible())
        return;
    if (active != window)
        window->activateWindow();
    const QWidget* focus = window->focusWidget();
    if (!IsPane(focus) && !(InMainWindow(focus) && TakesText(focus)))
        GiveBack();
}

void CKeyboardFocus::OnFocusChanged(QWidget*, QWidget* now)
{
    if (IsPane(now)) {
        m_pane = now;
        return;
    }
    if (!now) {
        // A text field closed (hidden or deleted), or the window lost the keyboard.
        GiveBackLater();
        return;
    }
    if (InMainWindow(now) && !TakesText(now)) {
        // A control that was made able to take the keyboard after it was made.
        Apply(now);
        GiveBackLater();
    }
}

bool CKeyboardFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::ParentChange:
        // When a control is made, or moved into the main window.
        if (InMainWindow(widget))
            Apply(widget);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A click beside an open text field closes it (it commits when it
        // loses the keyboard) before the click acts.
        QWidget* focus = QApplication::focusWidget();
        if (InMainWindow(widget) && TakesText(focus) && InMainWindow(focus) && focus != widget && !focus->isAncestorOf(widget))
            GiveBack();
        break;
    }
    case QEvent::Hide:
        // A dialog, a menu or another window of the editor went away.
        if (widget->isWindow() && widget != m_view->window() && widget->windowType() != Qt::ToolTip)
            QMetaObject::invokeMethod(this, &CKeyboardFocus::ReturnToMainWindow, Qt::QueuedConnection);
        break;
    case QEvent::WindowActivate:
        if (widget == m_view->window())
            GiveBackLater();
        break;
    default:
        break;
    }
    return false;
}

} // namespace ovk
