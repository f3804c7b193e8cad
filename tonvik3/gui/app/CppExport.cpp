#include "gui/app/CppExport.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdlib>
#include <string>

#include "core/export/COvkCSourceExport.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CMfcFileStreams.h"
#include "gui/document/COvkDoc.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/data/CStreamSelectors.h"

namespace ovk {

namespace {

const QString kFileName = QStringLiteral("OvkSongData.cpp");

void ShowFailure(QWidget* parent, const QString& detail)
{
    Dialogs().Message(parent, QStringLiteral("Failed to export"), QStringLiteral("tonvik3"),
                      CEditorDialogs::ICON_ERROR, detail);
}

QString ReasonOf(const morvane::CException& e) { return QString::fromWCharArray(e.GetReason() ? e.GetReason() : L""); }

// Writes the text under the song's read lock, held only while it is written.
void WriteSource(CEditorState& state, morvane::IOutputStream* stream)
{
    const COvkModuleData* data = state.song->Lock(kSongRead);
    try {
        COvkCSourceExport(*data).Write(stream);
    } catch (...) {
        state.song->Unlock();
        throw;
    }
    state.song->Unlock();
}

} // namespace

QString ExportFolder()
{
    // mkdtemp makes the folder with mode 0700, under a name nobody can guess
    // beforehand; it is kept after the editor ends, as the exported file may
    // still be open in the text editor.
    static const QString folder = [] {
        QString base = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        if (base.isEmpty())
            base = QDir::tempPath();
        std::string pattern = QFile::encodeName(base + QStringLiteral("/tonvik3-export-XXXXXX")).toStdString();
        if (!mkdtemp(pattern.data()))
            return QString();
        return QFile::decodeName(QByteArray::fromStdString(pattern));
    }();
    return folder;
}

QString ExportCppSource(CEditorState& state, QWidget* parent)
{
    const QString folder = ExportFolder();
    if (folder.isEmpty()) {
        ShowFailure(parent, QStringLiteral("No private folder could be made in the temporary folder."));
        return QString();
    }
    const QString path = folder + QLatin1Char('/') + kFileName;
    try {
        const morvane::COutputStreamSelector file(ToWide(path).c_str());
        WriteSource(state, file.GetOutputStreamTmp());
        file.GetOutputStreamTmp()->Flush();
        file.GetOutputStreamTmp()->Close();
    } catch (const morvane::CException& e) {
        // Nothing is opened: a half-written file is not the song.
        ShowFailure(parent, ReasonOf(e));
        return QString();
    }
    Dialogs().OpenWithDesktop(path);
    return path;
}

bool ExportCppSourceAs(CEditorState& state, QWidget* parent)
{
    const QString path = Dialogs().SaveFileName(parent, QStringLiteral("Export C++"),
                                                QStringLiteral("C++ source files (*.cpp)"), QStringLiteral("cpp"),
                                                kFileName);
    if (path.isEmpty())
        return false;
    // Written aside and put in place only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ShowFailure(parent, file.errorString());
        return false;
    }
    try {
        const auto stream = morvane::CreateRef<IArchiveOutputStream>(L"ovk::CMfcFileOutputStream");
        if (!stream)
            MRV_THROW(morvane::CClassNotFoundException, L"ovk::ExportCppSourceAs", L"No archive output stream");
        stream->Connect(&file);
        WriteSource(state, stream.Get());
    } catch (const morvane::CException& e) {
        file.cancelWriting();
        ShowFailure(parent, ReasonOf(e));
        return false;
    }
    if (!file.commit()) {
        ShowFailure(parent, file.errorString());
        return false;
    }
    return true;
}

} // namespace ovk
