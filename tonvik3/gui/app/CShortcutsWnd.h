#pragma once
#include <QDialog>

class QTreeWidget;

namespace ovk {

// Help > Keyboard shortcuts: the key reference in a window of its own, by
// area (pattern editor, order table, everywhere, mouse). Not modal: it can
// stay open beside the main window while the composer works there.
class CShortcutsWnd : public QDialog {
    Q_OBJECT
public:
    explicit CShortcutsWnd(QWidget* parent);

    QTreeWidget* Table() const { return m_table; }

private:
    QTreeWidget* m_table;
};

} // namespace ovk
