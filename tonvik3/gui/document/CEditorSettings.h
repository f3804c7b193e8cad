#pragma once
#include <QSettings>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace ovk {

// What the editor remembers between runs, in the user's settings store: the
// look ("ApplicationLook") and the recent-file list (16 files, newest first).
class CEditorSettings {
public:
    static constexpr int kRecentFiles = 16;

    struct TLook {
        QString key;   // stored as "ApplicationLook"
        QString name;  // shown in the View menu
    };

    CEditorSettings();

    // The looks this Qt offers: Fusion light and dark, then its other styles.
    static std::vector<TLook> Looks();
    static QString DefaultLook() { return QStringLiteral("fusion-light"); }
    QString Look() const;
    // Remembers a look and applies it to the whole program.
    void SetLook(const QString& key);
    // Applies a look without remembering it; false for an unknown key.
    static bool ApplyLook(const QString& key);

    // Seconds between autosaves (1-30; 30 when not set).
    int AutosaveSeconds() const;
    // Whether saving over a song keeps the previous file as NAME.tonvik~ (on when not set).
    bool KeepBackup() const;
    void SetKeepBackup(bool keep);

    // The MIDI input port to open at start-up; empty for none.
    QString MidiInput() const;
    void SetMidiInput(const QString& port);

    // The folder the last instrument was loaded from; empty when none was.
    std::wstring InstrumentFolder() const;
    void SetInstrumentFolder(const std::wstring& folder);

    // Paths are kept as their bytes: any name the system accepts comes back as it was.
    std::vector<std::wstring> RecentFiles() const;
    void AddRecentFile(const std::wstring& path);
    void RemoveRecentFile(const std::wstring& path);

private:
    QSettings m_settings;
};

} // namespace ovk
