// The key reference: the README's key table is the editor's, the menus'
// shortcuts are all in it, Help > Keyboard shortcuts shows every line, and
// the window gives the keyboard back to the pane when it closes.
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTreeWidget>

#include <fstream>
#include <set>
#include <string>

#include "GuiTestSupport.h"
#include "gui/app/CShortcutsWnd.h"
#include "gui/app/KeyReference.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/CPatternWnd.h"

namespace {

using namespace tonvik_test;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The rows of the README's table headed "| Where | Keys or mouse | What they do |".
std::vector<std::vector<std::string>> ReadmeKeyTable()
{
    std::ifstream readme(TONVIK_README);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool inTable = false;
    while (std::getline(readme, line)) {
        if (line == "| Where | Keys or mouse | What they do |") {
            inTable = true;
            continue;
        }
        if (!inTable || line.rfind("|---", 0) == 0)
            continue;
        if (line.empty() || line[0] != '|')
            break;
        std::vector<std::string> cells;
        std::size_t at = 1;
        for (std::size_t bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1)
            cells.push_back(Trimmed(line.substr(at, bar - at)));
        rows.push_back(cells);
    }
    return rows;
}

TEST(KeyReference, TheReadmesKeyTableIsTheEditorsTable)
{
    const auto rows = ReadmeKeyTable();
    const auto reference = ovk::KeyReference();
    ASSERT_EQ(rows.size(), reference.size()) << "README.md: " << TONVIK_README;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 3u) << "README row " << i;
        EXPECT_EQ(rows[i][0], reference[i].area) << "row " << i;
        EXPECT_EQ(rows[i][1], reference[i].keys) << "row " << i;
        EXPECT_EQ(rows[i][2], reference[i].action) << "row " << i;
    }
    // Every area is there, each once, in one run of lines.
    std::vector<std::string> areas;
    for (const ovk::TKeyReference& line : reference)
        if (areas.empty() || areas.back() != line.area)
            areas.emplace_back(line.area);
    EXPECT_EQ(areas, (std::vector<std::string>{ovk::kPatternEditorKeys, ovk::kOrderTableKeys, ovk::kEverywhereKeys,
                                               ovk::kMouseGestures}));
}

class ShortcutsTest : public CEditorTest {};

TEST_F(ShortcutsTest, TheMenusShortcutsAreExactlyTheReferencesEverywhereKeys)
{
    std::set<QString> listed;
    for (const ovk::TKeyReference& line : ovk::KeyReference())
        if (std::string(line.area) == ovk::kEverywhereKeys)
            for (const QString& key : QString::fromUtf8(line.keys).split(QStringLiteral(", ")))
                listed.insert(QKeySequence(key).toString(QKeySequence::PortableText));
    std::set<QString> menus;
    for (const QAction* action : Frame().findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts())
            menus.insert(key.toString(QKeySequence::PortableText));
    EXPECT_EQ(listed, menus);
}

TEST_F(ShortcutsTest, TheWindowListsEveryLineAndLeavesTheKeyboardWithThePane)
{
    ovk::COrderTableWnd* orders = View().OrderTable();
    QTest::mouseClick(orders, Qt::LeftButton, Qt::NoModifier, orders->CellRect(2, 0).center());
    Frame().Action(QStringLiteral("HelpShortcuts"))->trigger();
    auto* window = Frame().findChild<ovk::CShortcutsWnd*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Keyboard shortcuts"));
    EXPECT_FALSE(window->isModal());

    const QTreeWidget* table = window->Table();
    std::size_t line = 0;
    const auto reference = ovk::KeyReference();
    for (int a = 0; a < table->topLevelItemCount(); ++a) {
        const QTreeWidgetItem* area = table->topLevelItem(a);
        for (int i = 0; i < area->childCount() && line < reference.size(); ++i, ++line) {
            EXPECT_EQ(area->text(0), QString::fromUtf8(reference[line].area));
            EXPECT_EQ(area->child(i)->text(0), QString::fromUtf8(reference[line].keys));
            EXPECT_EQ(area->child(i)->text(1), QString::fromUtf8(reference[line].action));
        }
    }
    EXPECT_EQ(line, reference.size());
    EXPECT_EQ(table->topLevelItemCount(), 4);

    window->close();
    // The main window is activated again, then the pane takes the keyboard.
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == orders; }, 2000));
    // A digit typed now goes to the order table, where the keyboard was.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_9, Qt::NoModifier, 18, 0, 0, QStringLiteral("9"));
    QApplication::sendEvent(QApplication::focusWidget(), &press);
    EXPECT_EQ(Song().orderTable[0][2], 9u);

    // Opened again from the pattern editor, closed with Escape: back there.
    QTest::mouseClick(View().Pattern(), Qt::LeftButton, Qt::NoModifier, ovk::CPatternWnd::CellRect(1, 1).center());
    Frame().ShowKeyboardShortcuts();
    EXPECT_EQ(Frame().findChildren<ovk::CShortcutsWnd*>().size(), 1);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == View().Pattern(); }, 2000));
}

} // namespace
