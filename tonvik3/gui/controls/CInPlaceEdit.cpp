#include "gui/controls/CInPlaceEdit.h"

#include <QKeyEvent>
#include <algorithm>
#include <climits>

#include "gui/document/CUiResources.h"

namespace ovk {

int LeadingInteger(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min<long long>(value * 10 + (text[i].unicode() - '0'), 1LL << 40);
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

CInPlaceEdit::CInPlaceEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent)
{
    setFont(Ui().Font(9));
    setFrame(false);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        emit Commit();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CInPlaceEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Not when coming back from its own context menu or another window.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        selectAll();
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit Commit();
}

} // namespace ovk
