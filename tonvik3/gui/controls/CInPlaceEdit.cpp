#include "gui/controls/CInPlaceEdit.h"

#include <QKeyEvent>

#include "gui/document/CUiResources.h"

namespace ovk {

CInPlaceEdit::CInPlaceEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent)
{
    setFont(Ui().Font(9));
    setFrame(false);
    selectAll();
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

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit Commit();
}

} // namespace ovk
