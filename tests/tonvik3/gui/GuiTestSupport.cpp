#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

namespace tonvik_test {

void CScriptedDialogs::Message(QWidget*, const QString& text, const QString& caption, TIcon icon,
                               const QString& detail)
{
    messages.push_back({text, caption, detail, icon});
}

ovk::CEditorDialogs::TAnswer CScriptedDialogs::Ask(QWidget*, const QString& text, const QString&, bool cancel)
{
    questions.push_back(text);
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return cancel ? ANSWER_CANCEL : ANSWER_NO;
    }
    const TAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

int CScriptedDialogs::Choose(QWidget*, const QString& text, const QString&, const QStringList& buttons)
{
    questions.push_back(text);
    if (choices.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return static_cast<int>(buttons.size()) - 1;
    }
    const int choice = choices.front();
    choices.pop_front();
    return choice;
}

QString CScriptedDialogs::OpenFileName(QWidget*, const QString& caption, const QString& filter,
                                       const ovk::TFilePlaces& where)
{
    filters.push_back(filter);
    places.push_back(where);
    if (openFiles.empty()) {
        ADD_FAILURE() << "unexpected open dialog: " << caption.toStdString();
        return QString();
    }
    const QString path = openFiles.front();
    openFiles.pop_front();
    return path;
}

QString CScriptedDialogs::SaveFileName(QWidget*, const QString& caption, const QString& filter, const QString&,
                                       const QString&)
{
    filters.push_back(filter);
    if (saveFiles.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << caption.toStdString();
        return QString();
    }
    const QString path = saveFiles.front();
    saveFiles.pop_front();
    return path;
}

void CEditorTest::SetUp()
{
    auto dialogs = std::make_unique<CScriptedDialogs>();
    m_dialogs = dialogs.get();
    ovk::SetDialogs(std::move(dialogs));
    QSettings(QStringLiteral("tonvik3"), QStringLiteral("tonvik3")).clear();
    m_app = std::make_unique<ovk::CEditorApp>();
    ASSERT_TRUE(m_app->Start(std::nullopt));
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    Settle();
}

void CEditorTest::TearDown()
{
    m_app.reset();
    Settle();
    ovk::SetDialogs(nullptr);
    m_dialogs = nullptr;
}

ovk::COvkModuleData CEditorTest::Song() const
{
    ovk::COvkModuleData copy = *State().song->Lock(0);
    State().song->Unlock();
    return copy;
}

void CEditorTest::EditSong(const std::function<void(ovk::COvkModuleData&)>& edit) const
{
    edit(*State().song->Lock(2));
    State().song->Unlock();
}

bool CEditorTest::WaitFor(const std::function<bool()>& cond, int ms) { return QTest::qWaitFor(cond, ms); }

void CEditorTest::Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

ovk::COvkModuleData TestSong(int positions, int tempo)
{
    ovk::COvkModuleData song;
    song.tempo = tempo;
    song.patterns[0][1][0] = 61;
    for (int p = 0; p < positions; ++p)
        song.orderTable[0][p] = 1;
    return song;
}

} // namespace tonvik_test
