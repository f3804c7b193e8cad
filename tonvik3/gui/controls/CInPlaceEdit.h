#pragma once
#include <QLineEdit>

namespace ovk {

// A one-line edit laid over a value: Enter and Escape (which commits too) tell
// the owner to take the text, and so does leaving the field. The value is
// selected whenever the field gets the keyboard, so typing replaces it.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    CInPlaceEdit(const QString& text, QWidget* parent);

signals:
    void Commit();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// The integer that text starts with (after spaces, with an optional sign),
// 0 when it does not start with one; values beyond int are clamped.
int LeadingInteger(const QString& text);

} // namespace ovk
