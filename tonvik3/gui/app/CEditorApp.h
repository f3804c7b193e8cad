#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>
#include <optional>
#include <string>

namespace ovk {

class CEditorSettings;
class CEditorState;
class CMainFrame;
class COvkDoc;
class CAutosave;
class CRecoveryStore;
class CUiResources;
class IMidiInput;

// The editor's start-up and shut-down, in order: the framework (which loads
// the audio plug-in), the editor's four classes, the editor state, the
// drawing resources, the settings, the document, the song of the command
// line, the main window; and the other way round at the end. The Qt
// application object must exist first. Tests make one per test.
class CEditorApp {
public:
    // The plug-in's notice when it plays without a sound card; it goes to the
    // status bar instead of a message box.
    static const std::wstring kPlayingSilently;

    CEditorApp();
    ~CEditorApp();
    CEditorApp(const CEditorApp&) = delete;
    CEditorApp& operator=(const CEditorApp&) = delete;

    // Opens the song (a new one without a path) and shows the main window.
    // A song that fails to load has been reported, and start-up fails: false.
    bool Start(const std::optional<std::wstring>& song, bool show = true);

    CEditorState& State() const { return *m_state; }
    COvkDoc& Document() const { return *m_document; }
    CEditorSettings& Settings() const { return *m_settings; }
    CMainFrame* MainWindow() const { return m_mainFrame.get(); }
    IMidiInput& Midi() const { return *m_midi; }
    // Takes another MIDI input (tests feed notes through their own).
    void SetMidiInput(std::unique_ptr<IMidiInput> midi);
    CRecoveryStore& Recovery() const { return *m_recovery; }
    CAutosave& Autosave() const { return *m_autosave; }

    // Offers back, one after the other, the unsaved changes that editors
    // which did not end normally left: Restore, Discard or Later. Start does
    // it; true when one was restored.
    bool OfferRecovery();
    // SIGTERM, SIGHUP and SIGINT: the recovery file is written and the editor
    // ends (the file stays for the next start). Called on the GUI thread.
    void EndBySignal(int signal);
    bool EndedBySignal() const { return m_endedBySignal; }

private:
    void ShowFrameworkMessage(const QString& title, const QString& text);

    // Framework messages are queued to it; those still queued at the end die with it.
    std::unique_ptr<QObject> m_messages;
    std::unique_ptr<CEditorState> m_state;
    std::unique_ptr<CUiResources> m_resources;
    std::unique_ptr<CEditorSettings> m_settings;
    std::unique_ptr<COvkDoc> m_document;
    std::unique_ptr<IMidiInput> m_midi;
    std::unique_ptr<CRecoveryStore> m_recovery;
    std::unique_ptr<CAutosave> m_autosave;
    std::unique_ptr<QSocketNotifier> m_signals;
    bool m_endedBySignal = false;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_silentNoticeShown = false;
    QString m_pendingNotice;
};

} // namespace ovk
