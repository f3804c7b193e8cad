#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <string>

class QWidget;

namespace ovk {

class COvkModuleData;

class CEditorState;

// The open song as a document: its file name, its modified flag, New, Open,
// Save and Save As, and the question whether to save changes. The song itself
// lives in the editor state's module; loading and saving go through the same
// song file code as the command-line tool. A song that fails to load changes
// nothing: it is read aside and taken over only when the whole file was good.
class COvkDoc : public QObject {
    Q_OBJECT
public:
    static const QString kFilter;     // "tonvik3 Files (*.tonvik)"
    static const QString kExtension;  // "tonvik"

    explicit COvkDoc(CEditorState& state);
    ~COvkDoc() override;

    // The file's path; empty for a new song.
    const std::wstring& Path() const { return m_path; }
    // The file name, or "Untitled".
    QString Title() const;

    bool IsModified() const { return m_modified.load(); }
    // Any thread: every write unlock of the song sets it. Listeners hear of a
    // change on the GUI thread.
    void SetModified(bool modified);

    // A new song: reset, every pane reloaded, unmodified, no undo history.
    void New();
    // Loads a song file; on failure shows why and leaves everything as it was.
    bool Open(const std::wstring& path, QWidget* parent);
    // Save to the file's path, or ask for one first (Save As).
    bool Save(QWidget* parent);
    bool SaveAs(QWidget* parent);
    bool SaveTo(const std::wstring& path, QWidget* parent);
    // Opens a recovery file as a modified document under the song's own
    // path (empty: untitled); the user decides whether to save over it.
    bool Restore(const std::wstring& recoveryFile, const std::wstring& songPath, QWidget* parent);
    // Saving over an existing song keeps the previous file as NAME.tonvik~.
    void SetKeepBackup(bool keep) { m_keepBackup = keep; }
    static std::wstring BackupPathOf(const std::wstring& path) { return path + L"~"; }

    // Says once (the last notice stays for a window made later) when the
    // song's effects need more memory than a song may use.
    void TellAboutEffectLines();
    const QString& LastNotice() const { return m_notice; }

    // When modified: "Save changes to NAME?" Yes saves, No goes on, Cancel
    // stops. True when the caller may go on (New, Open, Exit).
    bool SaveModified(QWidget* parent);

signals:
    void ModifiedChanged();
    void PathChanged();
    // A file was opened or saved: it belongs in the recent-file list.
    void FileUsed();
    // Something the composer should know about the song, for the status bar.
    void Notice(const QString& text);

private:
    // The song being edited is replaced (by replace, under the write lock):
    // playback stops, the undo history goes (its snapshots are of the other
    // song), the document takes path and every pane shows the new song.
    void ReplaceSong(const std::function<void(COvkModuleData&)>& replace, const std::wstring& path);

    CEditorState& m_state;
    std::wstring m_path;
    std::atomic<bool> m_modified{false};
    bool m_keepBackup = true;
    QString m_notice;
};

// Paths between Qt's text and the framework's wide text.
QString ToQString(const std::wstring& text);
std::wstring ToWide(const QString& text);

} // namespace ovk
