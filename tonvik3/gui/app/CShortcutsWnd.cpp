#include "gui/app/CShortcutsWnd.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/app/KeyReference.h"

namespace ovk {

CShortcutsWnd::CShortcutsWnd(QWidget* parent) : QDialog(parent), m_table(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("Keyboard shortcuts"));
    setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    m_table->setObjectName(QStringLiteral("KeyTable"));
    m_table->setColumnCount(2);
    m_table->setHeaderLabels({QStringLiteral("Keys"), QStringLiteral("What they do")});
    m_table->setRootIsDecorated(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    // Read, not worked in: no current line drawn, Escape closes the window.
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setWordWrap(true);
    QTreeWidgetItem* area = nullptr;
    for (const TKeyReference& line : KeyReference()) {
        const QString name = QString::fromUtf8(line.area);
        if (!area || area->text(0) != name) {
            area = new QTreeWidgetItem(m_table, {name});
            area->setFirstColumnSpanned(true);
            QFont bold = area->font(0);
            bold.setBold(true);
            area->setFont(0, bold);
            area->setFlags(Qt::ItemIsEnabled);
        }
        auto* item = new QTreeWidgetItem(area, {QString::fromUtf8(line.keys), QString::fromUtf8(line.action)});
        item->setFlags(Qt::ItemIsEnabled);
    }
    m_table->expandAll();
    m_table->resizeColumnToContents(0);
    m_table->header()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(940, 660);
}

} // namespace ovk
