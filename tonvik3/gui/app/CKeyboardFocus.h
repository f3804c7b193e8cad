#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace ovk {

// Where the keyboard goes in the main window, decided here and nowhere else.
//
// The composer types into two panes: the pattern editor and the order table
// (Tab goes from one to the other; a click on one takes the keyboard). The
// one that had the keyboard last keeps it. Every other control of the main
// window (buttons, bars, spins, faders, scopes, tabs, instrument rows, scroll
// areas, whatever the status bar shows) acts on a click and never takes the
// keyboard. A text field (an
// in-place edit) has the keyboard only while it is open: when it commits, is
// closed or is clicked away from, and when a dialog or another window of the
// editor closes, the keyboard goes back to the pane that had it, never to the
// next widget of a focus chain.
//
// The view makes one; it watches the whole application's events while it lives.
class CKeyboardFocus : public QObject {
    Q_OBJECT
public:
    // view: in the main window whose widgets the rule applies to; panes: the
    // two that take typing, the first one having the keyboard at the start.
    CKeyboardFocus(QWidget* view, QWidget* firstPane, QWidget* secondPane);
    ~CKeyboardFocus() override;

    // The pane that has the keyboard, or gets it back when a text field closes.
    QWidget* Pane() const { return m_pane; }
    // Gives the keyboard back to that pane.
    void GiveBack();

    // A control that takes typed text while it is open (line edits, spin boxes).
    static bool TakesText(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool InMainWindow(const QWidget* widget) const;
    bool IsPane(const QWidget* widget) const;
    // The rule for one control of the view: what may take the keyboard.
    void Apply(QWidget* widget);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void GiveBackLater();
    // After a dialog or another window closed: the main window is worked in
    // again, with the keyboard in its pane.
    void ReturnToMainWindow();

    QWidget* m_view;
    QPointer<QWidget> m_panes[2];
    QPointer<QWidget> m_pane;
    bool m_givingBack = false;
};

} // namespace ovk
