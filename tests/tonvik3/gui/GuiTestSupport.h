#pragma once
#include <gtest/gtest.h>

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/song/COvkModuleData.h"
#include "gui/app/CEditorApp.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/app/CMainFrame.h"
#include "gui/document/COvkDoc.h"
#include "gui/app/COvkView.h"

namespace tonvik_test {

// Dialogs that a test answers: messages are recorded, questions and file
// dialogs take the answers queued beforehand. An unexpected question or file
// dialog fails the test and is cancelled.
class CScriptedDialogs : public ovk::CEditorDialogs {
public:
    struct TMessage {
        QString text, caption, detail;
        TIcon icon;
    };

    void Message(QWidget* parent, const QString& text, const QString& caption, TIcon icon,
                 const QString& detail) override;
    TAnswer Ask(QWidget* parent, const QString& text, const QString& caption, bool cancel) override;
    int Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& buttons) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                         const ovk::TFilePlaces& places) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter, const QString& suffix,
                         const QString& suggested) override;
    void OpenWithDesktop(const QString& path) override { opened.push_back(path); }

    std::vector<TMessage> messages;
    std::vector<QString> questions;
    std::vector<QString> filters;  // of every file dialog, in order
    std::vector<ovk::TFilePlaces> places;  // of every open-file dialog, in order
    std::vector<QString> opened;
    std::deque<TAnswer> answers;
    std::deque<int> choices;  // for Choose: the index of the button
    std::deque<QString> openFiles;
    std::deque<QString> saveFiles;
};

// A whole editor per test, started on a new song with its window shown.
class CEditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ovk::CEditorState& State() const { return m_app->State(); }
    ovk::COvkDoc& Document() const { return m_app->Document(); }
    ovk::CMainFrame& Frame() const { return *m_app->MainWindow(); }
    ovk::COvkView& View() const { return *Frame().View(); }
    ovk::CEditorApp& App() const { return *m_app; }

    // The song under its read lock, and a change under its write lock.
    ovk::COvkModuleData Song() const;
    void EditSong(const std::function<void(ovk::COvkModuleData&)>& edit) const;
    // Processes events until cond holds (false after ms).
    static bool WaitFor(const std::function<bool()>& cond, int ms = 5000);
    // Lets every queued call run.
    static void Settle();

    CScriptedDialogs* m_dialogs = nullptr;
    std::unique_ptr<ovk::CEditorApp> m_app;
};

// A song of positions order positions in channel 0 (pattern 1, a C-5 at row 0)
// at a tempo.
ovk::COvkModuleData TestSong(int positions, int tempo);

} // namespace tonvik_test
