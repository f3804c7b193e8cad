#pragma once
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;

namespace ovk {

// The small text buttons of an instrument row, drawn and clicked inside the
// row itself: a list shows dozens of rows with seven buttons each, and a
// widget per button made a long list slow to build. Raised when up, sunken
// while pressed or checked; a click is a press and a release on the same
// button.
class CRowButtons {
public:
    using TAction = std::function<void()>;

    void Add(const QString& name, const QString& text, const QRect& place, TAction action, bool checkable = false);
    void SetVisible(const QString& name, bool visible);
    void SetChecked(const QString& name, bool checked);
    bool IsChecked(const QString& name) const;
    // Where a shown button is; empty for a hidden or unknown one.
    QRect Rect(const QString& name) const;

    // Mouse events of the row: true when a button took them. A release on the
    // pressed button runs its action (last: the action may rebuild the row).
    bool Press(const QPoint& at);
    bool Release(const QPoint& at);
    void Cancel() { m_pressed = -1; }
    void Paint(QPainter& painter) const;

private:
    struct TButton {
        QString name, text;
        QRect place;
        TAction action;
        bool checkable = false;
        bool checked = false;
        bool visible = true;
    };
    int Find(const QString& name) const;
    int At(const QPoint& at) const;

    std::vector<TButton> m_buttons;
    int m_pressed = -1;
};

} // namespace ovk
