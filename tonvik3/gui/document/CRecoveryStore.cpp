#include "gui/document/CRecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/files/AtomicFile.h"
#include "core/files/SongFiles.h"
#include "gui/document/COvkDoc.h"
#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"
#include "morvane/data/IStream.h"

namespace ovk {

namespace {

constexpr const char* kSong = ".tonvik";
constexpr const char* kInfo = ".info";
constexpr const char* kLock = ".lock";

QByteArray Os(const QString& path) { return QFile::encodeName(path); }

// Opens a lock file and takes its lock without waiting; -1 when another
// process holds it (or it cannot be opened).
int TakeLock(const QString& path)
{
    const int fd = ::open(Os(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Release(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

QString CRecoveryStore::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

CRecoveryStore::CRecoveryStore(const QString& folder) : m_folder(folder)
{
    QDir().mkpath(m_folder);
    // Only the user may read what was being composed.
    ::chmod(Os(m_folder).constData(), 0700);
    m_id = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                            QLatin1Char('0'));
    m_lockFd = TakeLock(PathOf(m_id, kLock));
}

CRecoveryStore::~CRecoveryStore()
{
    if (!HasFile())
        QFile::remove(PathOf(m_id, kLock));
    Release(m_lockFd);
}

QString CRecoveryStore::PathOf(const QString& id, const char* suffix) const
{
    return m_folder + QLatin1Char('/') + id + QLatin1String(suffix);
}

QString CRecoveryStore::SongFile() const { return PathOf(m_id, kSong); }

bool CRecoveryStore::HasFile() const { return QFile::exists(SongFile()); }

bool CRecoveryStore::Save(const COvkModuleData& song, const std::wstring& songPath, QString* error)
{
    try {
        // The info first: an editor killed between the two writes must not
        // leave a song without the name it is offered back under.
        const QByteArray info = "song=" + (songPath.empty() ? QByteArray("untitled")
                                                             : QByteArray::fromStdString(morvane::utf::PathToBytes(songPath)).toPercentEncoding()) +
                                "\ntime=" + QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() + "\n";
        WriteFileAtomically(ToWide(PathOf(m_id, kInfo)).c_str(), [&](morvane::IOutputStream* stream) {
            stream->Write(info.constData(), static_cast<std::uint64_t>(info.size()));
        });
        SaveSongFile(ToWide(SongFile()).c_str(), song);
    } catch (const morvane::CException& e) {
        if (error)
            *error = QString::fromWCharArray(e.GetReason() ? e.GetReason() : L"");
        return false;
    }
    return true;
}

void CRecoveryStore::Clear()
{
    QFile::remove(SongFile());
    QFile::remove(PathOf(m_id, kInfo));
}

std::vector<TRecoveryFile> CRecoveryStore::TakeLeftovers()
{
    std::vector<TRecoveryFile> leftovers;
    const QStringList songs = QDir(m_folder).entryList({QStringLiteral("*.tonvik")}, QDir::Files);
    for (const QString& name : songs) {
        TRecoveryFile file;
        file.id = name.left(name.size() - static_cast<int>(qstrlen(kSong)));
        if (file.id == m_id)
            continue;
        file.lockFd = TakeLock(PathOf(file.id, kLock));
        if (file.lockFd < 0)
            continue;  // its editor runs
        file.songFile = PathOf(file.id, kSong);
        QFile info(PathOf(file.id, kInfo));
        if (info.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : info.readAll().split('\n')) {
                if (line.startsWith("song=") && line != "song=untitled")
                    file.song = morvane::utf::PathFromBytes(QByteArray::fromPercentEncoding(line.mid(5)).toStdString());
                else if (line.startsWith("time="))
                    file.time = QDateTime::fromString(QString::fromLatin1(line.mid(5)), Qt::ISODate);
            }
        }
        if (!file.time.isValid())
            file.time = QFileInfo(file.songFile).lastModified();
        leftovers.push_back(std::move(file));
    }
    // Locks of editors that ended before they wrote anything.
    for (const QString& name : QDir(m_folder).entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString id = name.left(name.size() - static_cast<int>(qstrlen(kLock)));
        if (id == m_id || QFile::exists(PathOf(id, kSong)))
            continue;
        int fd = TakeLock(PathOf(id, kLock));
        if (fd >= 0) {
            QFile::remove(PathOf(id, kLock));
            QFile::remove(PathOf(id, kInfo));
            Release(fd);
        }
    }
    std::sort(leftovers.begin(), leftovers.end(),
              [](const TRecoveryFile& a, const TRecoveryFile& b) { return a.time > b.time; });
    return leftovers;
}

void CRecoveryStore::Discard(TRecoveryFile& file)
{
    const QString base = file.songFile.left(file.songFile.size() - static_cast<int>(qstrlen(kSong)));
    QFile::remove(file.songFile);
    QFile::remove(base + QLatin1String(kInfo));
    QFile::remove(base + QLatin1String(kLock));
    Release(file.lockFd);
}

void CRecoveryStore::Keep(TRecoveryFile& file) { Release(file.lockFd); }

} // namespace ovk
