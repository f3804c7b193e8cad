#include "gui/app/CppExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/export/COvkCSourceExport.h"
#include "core/export/ReplayerLimits.h"
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
const QString kDefinesName = QStringLiteral("OvkSongDataDefines.h");

void ShowFailure(QWidget* parent, const QString& detail)
{
    Dialogs().Message(parent, QStringLiteral("Failed to export"), QStringLiteral("tonvik3"),
                      CEditorDialogs::ICON_ERROR, detail);
}

QString ReasonOf(const morvane::CException& e) { return QString::fromWCharArray(e.GetReason() ? e.GetReason() : L""); }

// Runs write on the song under its read lock, held only while it runs.
template <class TWrite>
void WithSong(CEditorState& state, TWrite write)
{
    const COvkModuleData* data = state.song->Lock(kSongRead);
    try {
        write(*data);
    } catch (...) {
        state.song->Unlock();
        throw;
    }
    state.song->Unlock();
}

// The whole text into a file written aside and put in place when complete.
void WriteAtomically(const QString& path, const std::function<void(morvane::IOutputStream*)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        MRV_THROW(morvane::CFileAccessException, L"ovk::ExportCppSourceAs",
                  morvane::MakeReason(L"%ls", ToWide(file.errorString()).c_str()));
    try {
        const auto stream = morvane::CreateRef<IArchiveOutputStream>(L"ovk::CMfcFileOutputStream");
        if (!stream)
            MRV_THROW(morvane::CClassNotFoundException, L"ovk::ExportCppSourceAs", L"No archive output stream");
        stream->Connect(&file);
        write(stream.Get());
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        MRV_THROW(morvane::CFileAccessException, L"ovk::ExportCppSourceAs",
                  morvane::MakeReason(L"%ls", ToWide(file.errorString()).c_str()));
}

// What the replayer will play differently from the editor, said once after
// an export: the departures one per line under the message.
void ShowReplayerReport(QWidget* parent, const std::vector<TReplayerDeparture>& departures, const QString& written)
{
    QString detail;
    for (const TReplayerDeparture& departure : departures)
        detail += QString::fromStdString(departure.Line()) + QLatin1Char('\n');
    detail.chop(1);
    const QString verdict = departures.empty()
                                ? QString::fromLatin1(kReplayerExactLine)
                                : QStringLiteral("The replayer will play this song differently from the editor:");
    Dialogs().Message(parent, written.isEmpty() ? verdict : written + QLatin1Char('\n') + verdict,
                      QStringLiteral("tonvik3"),
                      departures.empty() ? CEditorDialogs::ICON_INFORMATION : CEditorDialogs::ICON_WARNING, detail);
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
    std::vector<TReplayerDeparture> departures;
    try {
        const morvane::COutputStreamSelector file(ToWide(path).c_str());
        WithSong(state, [&](const COvkModuleData& song) {
            COvkCSourceExport(song).Write(file.GetOutputStreamTmp());
            departures = ReplayerDepartures(song);
        });
        file.GetOutputStreamTmp()->Flush();
        file.GetOutputStreamTmp()->Close();
    } catch (const morvane::CException& e) {
        // Nothing is opened: a half-written file is not the song.
        ShowFailure(parent, ReasonOf(e));
        return QString();
    }
    Dialogs().OpenWithDesktop(path);
    ShowReplayerReport(parent, departures, QString());
    return path;
}

bool ExportCppSourceAs(CEditorState& state, QWidget* parent)
{
    const QString path = Dialogs().SaveFileName(parent, QStringLiteral("Export C++"),
                                                QStringLiteral("C++ source files (*.cpp)"), QStringLiteral("cpp"),
                                                kFileName);
    if (path.isEmpty())
        return false;
    // The defines go beside the tables, under the name the tables' first comment asks for.
    const QString definesPath = QFileInfo(path).absoluteDir().filePath(kDefinesName);
    std::vector<TReplayerDeparture> departures;
    try {
        WithSong(state, [&](const COvkModuleData& song) {
            const COvkCSourceExport exporter(song);
            WriteAtomically(path, [&](morvane::IOutputStream* stream) { exporter.Write(stream); });
            WriteAtomically(definesPath, [&](morvane::IOutputStream* stream) { exporter.WriteDefinesFile(stream); });
            departures = ReplayerDepartures(song);
        });
    } catch (const morvane::CException& e) {
        ShowFailure(parent, ReasonOf(e));
        return false;
    }
    ShowReplayerReport(parent, departures, QStringLiteral("The defines are in %1 beside the tables.").arg(kDefinesName));
    return true;
}

} // namespace ovk
