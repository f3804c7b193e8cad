#include "gui/app/CEditorApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/CEditorState.h"
#include "gui/app/CMainFrame.h"
#include "gui/document/CMfcFileStreams.h"
#include "gui/document/COvkDoc.h"
#include "gui/document/CUiResources.h"
#include "gui/document/CAutosave.h"
#include "gui/document/CRecoveryStore.h"
#include "gui/document/MidiInput.h"
#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"

namespace ovk {

const std::wstring CEditorApp::kPlayingSilently = L"No audio output device found; playing silently";

namespace {

// Signals reach the GUI thread through a pipe: the handler only writes the
// signal's number into it.
int g_signalPipe[2] = {-1, -1};
constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};
struct sigaction g_previous[3];

void OnEndSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &number, 1);
    errno = saved;
}

} // namespace

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
    m_recovery = std::make_unique<CRecoveryStore>();
    m_autosave = std::make_unique<CAutosave>(*m_state, *m_document, *m_recovery, m_settings->AutosaveSeconds());

    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        for (int i = 0; i < 3; ++i) {
            struct sigaction action {};
            action.sa_handler = OnEndSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            sigaction(kEndSignals[i], &action, &g_previous[i]);
        }
        m_signals = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_signals.get(), &QSocketNotifier::activated, m_messages.get(), [this] {
            unsigned char number = 0;
            while (::read(g_signalPipe[0], &number, 1) == 1)
                EndBySignal(number);
        });
    }
}

void CEditorApp::EndBySignal(int signal)
{
    m_autosave->SaveNow();
    m_endedBySignal = true;
    QCoreApplication::exit(128 + signal);
}

bool CEditorApp::OfferRecovery()
{
    std::vector<TRecoveryFile> leftovers = m_recovery->TakeLeftovers();
    bool restored = false;
    for (TRecoveryFile& file : leftovers) {
        if (restored) {
            CRecoveryStore::Keep(file);
            continue;
        }
        const QString song = file.song.empty() ? QStringLiteral("untitled") : QFileInfo(ToQString(file.song)).fileName();
        const QString text = QStringLiteral("tonvik3 did not end normally. Restore the unsaved changes of %1 from %2?")
                                 .arg(song, file.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        switch (Dialogs().Choose(m_mainFrame.get(), text, QStringLiteral("tonvik3"),
                                 {QStringLiteral("Restore"), QStringLiteral("Discard"), QStringLiteral("Later")})) {
        case 0:
            if (m_document->Restore(ToWide(file.songFile), file.song, m_mainFrame.get())) {
                // Safe in this editor's own file before the old one goes.
                m_autosave->SaveNow();
                CRecoveryStore::Discard(file);
                restored = true;
            } else {
                CRecoveryStore::Keep(file);
            }
            break;
        case 1:
            CRecoveryStore::Discard(file);
            break;
        default:
            CRecoveryStore::Keep(file);
            break;
        }
    }
    return restored;
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
    if (m_signals) {
        m_signals.reset();
        for (int i = 0; i < 3; ++i)
            sigaction(kEndSignals[i], &g_previous[i], nullptr);
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
    // A normal end leaves nothing to recover; after a signal the file stays.
    m_autosave.reset();
    if (!m_endedBySignal)
        m_recovery->Clear();
    m_recovery.reset();
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
    OfferRecovery();
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
