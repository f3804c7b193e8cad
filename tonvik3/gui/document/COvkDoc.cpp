#include "gui/document/COvkDoc.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>
#include <QMetaObject>

#include "core/files/SongFiles.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "core/synth/EffectLines.h"
#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"

namespace ovk {

namespace {

const QString kCaption = QStringLiteral("tonvik3");

QString FileNameOf(const std::wstring& path) { return QFileInfo(ToQString(path)).fileName(); }

QString ReasonOf(const morvane::CException& e) { return QString::fromWCharArray(e.GetReason() ? e.GetReason() : L""); }

// The file about to be replaced stays as NAME~: a second name for the very
// same file (the save then puts a new file under the first name), or a copy
// where the file system has no second names. A song saved for the first time
// has nothing to keep.
void KeepBackupOf(const std::wstring& path)
{
    const std::string target = morvane::utf::PathToBytes(path);
    const std::string backup = morvane::utf::PathToBytes(COvkDoc::BackupPathOf(path));
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    ::unlink(backup.c_str());
    if (::link(target.c_str(), backup.c_str()) == 0)
        return;
    QFile::copy(QFile::decodeName(QByteArray::fromStdString(target)), QFile::decodeName(QByteArray::fromStdString(backup)));
}

} // namespace

const QString COvkDoc::kFilter = QStringLiteral("tonvik3 Files (*.tonvik)");
const QString COvkDoc::kExtension = QStringLiteral("tonvik");

QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }
std::wstring ToWide(const QString& text) { return text.toStdWString(); }

COvkDoc::COvkDoc(CEditorState& state) : m_state(state) { m_state.document = this; }

COvkDoc::~COvkDoc()
{
    if (m_state.document == this)
        m_state.document = nullptr;
}

QString COvkDoc::Title() const { return m_path.empty() ? QStringLiteral("Untitled") : FileNameOf(m_path); }

void COvkDoc::SetModified(bool modified)
{
    if (m_modified.exchange(modified) == modified)
        return;
    // Queued, so that it also works from a thread that is not the GUI's; the
    // listeners read the flag as it is when they run.
    QMetaObject::invokeMethod(this, [this] { emit ModifiedChanged(); }, Qt::QueuedConnection);
}

void COvkDoc::ReplaceSong(const std::function<void(COvkModuleData&)>& replace, const std::wstring& path)
{
    m_state.Stop();
    replace(*m_state.song->Lock(kSongWrite));
    m_state.song->Unlock();
    m_state.undo.Clear();
    m_path = path;
    emit PathChanged();
    m_state.RefreshAll();
}

void COvkDoc::New()
{
    ReplaceSong([](COvkModuleData& song) { song.Reset(); }, {});
}

bool COvkDoc::Open(const std::wstring& path, QWidget* parent)
{
    COvkModuleData loaded;
    try {
        LoadSongFile(path.c_str(), loaded);
    } catch (const morvane::CException& e) {
        Dialogs().Message(parent, QStringLiteral("Failed to open the song %1.").arg(FileNameOf(path)), kCaption,
                          CEditorDialogs::ICON_ERROR, ReasonOf(e));
        return false;
    }
    ReplaceSong([&](COvkModuleData& song) { song = std::move(loaded); }, path);
    emit FileUsed();
    TellAboutEffectLines();
    return true;
}

bool COvkDoc::Restore(const std::wstring& recoveryFile, const std::wstring& songPath, QWidget* parent)
{
    COvkModuleData loaded;
    try {
        LoadSongFile(recoveryFile.c_str(), loaded);
    } catch (const morvane::CException& e) {
        Dialogs().Message(parent, QStringLiteral("The unsaved changes could not be restored."), kCaption,
                          CEditorDialogs::ICON_ERROR, ReasonOf(e));
        return false;
    }
    ReplaceSong([&](COvkModuleData& song) { song = std::move(loaded); }, songPath);
    // Not saved yet: the song on disk is the older one.
    SetModified(true);
    TellAboutEffectLines();
    return true;
}

void COvkDoc::TellAboutEffectLines()
{
    const COvkModuleData* data = m_state.song->Lock(kSongRead);
    const bool over = EffectLinesOverBudget(*data);
    m_state.song->Unlock();
    if (over) {
        m_notice = QString::fromLatin1(kEffectLinesOverBudgetMessage);
        emit Notice(m_notice);
    }
}

bool COvkDoc::Save(QWidget* parent)
{
    if (m_path.empty())
        return SaveAs(parent);
    return SaveTo(m_path, parent);
}

bool COvkDoc::SaveAs(QWidget* parent)
{
    const QString suggested = m_path.empty() ? QString() : ToQString(m_path);
    const QString path =
        Dialogs().SaveFileName(parent, QStringLiteral("Save As"), kFilter, kExtension, suggested);
    if (path.isEmpty())
        return false;
    return SaveTo(ToWide(path), parent);
}

bool COvkDoc::SaveTo(const std::wstring& path, QWidget* parent)
{
    // A copy taken under the read lock is written without it: the disk may be
    // slow, and the player and the panes need not wait for it.
    COvkModuleData copy;
    {
        const COvkModuleData* data = m_state.song->Lock(kSongRead);
        try {
            copy = *data;
        } catch (...) {
            m_state.song->Unlock();
            throw;
        }
        m_state.song->Unlock();
    }
    try {
        if (m_keepBackup)
            KeepBackupOf(path);
        SaveSongFile(path.c_str(), copy);
    } catch (const morvane::CException& e) {
        Dialogs().Message(parent, QStringLiteral("Failed to save the song %1.").arg(FileNameOf(path)), kCaption,
                          CEditorDialogs::ICON_ERROR, ReasonOf(e));
        return false;
    }
    if (path != m_path) {
        m_path = path;
        emit PathChanged();
    }
    SetModified(false);
    emit FileUsed();
    return true;
}

bool COvkDoc::SaveModified(QWidget* parent)
{
    if (!IsModified())
        return true;
    switch (Dialogs().Ask(parent, QStringLiteral("Save changes to %1?").arg(Title()), kCaption, true)) {
    case CEditorDialogs::ANSWER_YES:
        return Save(parent);
    case CEditorDialogs::ANSWER_NO:
        return true;
    default:
        return false;
    }
}

} // namespace ovk
