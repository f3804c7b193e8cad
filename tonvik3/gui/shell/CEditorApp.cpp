#include "gui/shell/CEditorApp.h"

#include <QApplication>
#include <QMetaObject>

#include "gui/shell/CEditorDialogs.h"
#include "gui/shell/CEditorSettings.h"
#include "gui/shell/CEditorState.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/CMfcFileStreams.h"
#include "gui/shell/COvkDoc.h"
#include "gui/shell/CUiResources.h"
#include "gui/shell/MidiInput.h"
#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"

namespace ovk {

const std::wstring CEditorApp::kPlayingSilently = L"No audio output device found; playing silently";

CEditorApp::CEditorApp() : m_messages(std::make_unique<QObject>())
{
    // Framework messages (bug reports, the plug-in's notices) may come from
    // any thread; they are shown on the GUI thread, never inside the call.
    morvane::CDebug::SetMessageBoxHandler([this](const std::wstring& title, const std::wstring& text) {
        QMetaObject::invokeMethod(
            m_messages.get(),
            [this, title = QString::fromStdWString(title), text = QString::fromStdWString(text)] {
                ShowFrameworkMessage(title, text);
            },
            Qt::QueuedConnection);
    });
    morvane::q.Init();
    RegisterEditorClasses();
    m_state = std::make_unique<CEditorState>();
    m_resources = std::make_unique<CUiResources>();
    SetUiResources(m_resources.get());
    m_settings = std::make_unique<CEditorSettings>();
    if (!CEditorSettings::ApplyLook(m_settings->Look()))
        CEditorSettings::ApplyLook(CEditorSettings::DefaultLook());
    m_document = std::make_unique<COvkDoc>(*m_state);
    SetMidiInput(MakeMidiInput());
    const QString port = m_settings->MidiInput();
    if (!port.isEmpty())
        m_midi->Open(port.toStdString());
}

void CEditorApp::SetMidiInput(std::unique_ptr<IMidiInput> midi)
{
    if (m_midi)
        m_midi->SetNoteHandler(nullptr);
    m_midi = std::move(midi);
    // Notes come on the MIDI thread and are typed on the GUI thread.
    m_midi->SetNoteHandler([this](int note) {
        QMetaObject::invokeMethod(
            m_messages.get(),
            [this, note] {
                if (m_state->pattern)
                    m_state->pattern->EnterMidiNote(note);
            },
            Qt::QueuedConnection);
    });
    if (m_mainFrame)
        m_mainFrame->SetMidiInput(m_midi.get());
}

CEditorApp::~CEditorApp()
{
    m_midi->SetNoteHandler(nullptr);
    m_midi.reset();
    m_mainFrame.reset();
    m_document.reset();
    m_settings.reset();
    m_state.reset();
    SetUiResources(nullptr);
    m_resources.reset();
    try {
        morvane::q.Close();
    } catch (const morvane::CException&) {
        // Reported by the exception; the program ends anyway.
    }
    morvane::CDebug::SetMessageBoxHandler(nullptr);
    m_messages.reset();
}

bool CEditorApp::Start(const std::optional<std::wstring>& song, bool show)
{
    if (song) {
        if (!m_document->Open(*song, nullptr))
            return false;
    } else {
        m_document->New();
    }
    m_mainFrame = std::make_unique<CMainFrame>(*m_state, *m_document, *m_settings);
    m_mainFrame->SetMidiInput(m_midi.get());
    if (!m_pendingNotice.isEmpty())
        m_mainFrame->ShowNotice(m_pendingNotice);
    if (show)
        m_mainFrame->show();
    return true;
}

void CEditorApp::ShowFrameworkMessage(const QString& title, const QString& text)
{
    if (text.toStdWString() == kPlayingSilently) {
        // Said once, where it does not stop the composer.
        if (m_silentNoticeShown)
            return;
        m_silentNoticeShown = true;
        const QString notice = QStringLiteral("No sound card: playing silently in real time.");
        if (m_mainFrame)
            m_mainFrame->ShowNotice(notice);
        else
            m_pendingNotice = notice;
        return;
    }
    Dialogs().Message(m_mainFrame.get(), text, title, CEditorDialogs::ICON_ERROR);
}

} // namespace ovk
