#include "core/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"
#include "morvane/data/COutputStream.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/IStream.h"

namespace ovk {

namespace {

constexpr const wchar_t* kMethod = L"ovk::CAtomicFile";

// The file that the path finally names, following symbolic links.
std::string ResolveTarget(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved))
            return resolved;
    }
    return path;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name for a hidden file beside the target that does not exist yet.
std::string HiddenName(const std::string& target, std::mt19937& random)
{
    const std::string folder = FolderOf(target);
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), "%06x.tmp", static_cast<unsigned>(random() & 0xFFFFFF));
    return (folder == "/" ? "" : folder) + "/." + NameOf(target) + "." + suffix;
}

[[noreturn]] void ThrowCannotWrite(int error, const wchar_t* path)
{
    MRV_THROW(morvane::CFileAccessException, kMethod,
              morvane::MakeSystemReason(error, L"Cannot open '%ls' for writing", path));
}

// The stream on the temporary file: it passes everything on to the file's
// stream, and every kWriteBackBytes written it has the system start writing
// the file to the disk, so that the commit's fsync finds little left to
// wait for (an 11 MB file took 6 ms to sync here, most of it avoidable).
class CWriteBackStream : public morvane::COutputStreamImpl<morvane::IOutputStream> {
public:
    static constexpr std::uint64_t kWriteBackBytes = 1 << 20;

    CWriteBackStream(morvane::IOutputStream* file, int fd)
        : COutputStreamImpl(morvane::CId{0x5E1F2C11, 0x4B0D4C6A, 0x9A3E7D21, 0x6C8B0F35}), m_file(file), m_fd(fd)
    {
    }

    void Close() override { m_file->Close(); }
    unsigned int GetCaps() override { return m_file->GetCaps(); }
    std::uint64_t GetLength() override { return m_file->GetLength(); }
    void Flush() override { m_file->Flush(); }
    void Seek(std::uint64_t position) override { m_file->Seek(position); }
    std::uint64_t Tell() override { return m_file->Tell(); }
    void SetProperty(const void* property) override { m_file->SetProperty(property); }
    std::uint64_t Write(const void* buffer, std::uint64_t count) override
    {
        const std::uint64_t written = m_file->Write(buffer, count);
        m_unsynced += written;
        if (m_unsynced >= kWriteBackBytes) {
            m_unsynced = 0;
            m_file->Flush();
            // Only a head start: errors show at the commit's fsync.
            (void)sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        }
        return written;
    }

private:
    morvane::CRef<morvane::IOutputStream> m_file;
    int m_fd;
    std::uint64_t m_unsynced = 0;
};

} // namespace

struct CAtomicFile::TBody {
    std::wstring path;       // as the caller named it, for messages
    std::string target;      // the file to replace, links followed
    bool replacing = false;  // the target exists as a regular file
    bool inPlace = false;    // a device, pipe or socket: written as it is
    mode_t mode = 0;         // its permissions
    std::random_device device;
    std::mt19937 random{device()};

    // The temporary file: without a name (reached through /proc) or with
    // one; fd is open on it either way.
    int fd = -1;
    std::string named;
    std::optional<morvane::COutputStreamSelector> selector;
    morvane::CRef<morvane::IOutputStream> stream;  // what Stream hands out

    // Creates the nameless temporary file; false where the file system or
    // the system cannot (the named one is taken then).
    bool CreateNameless()
    {
        if (access("/proc/self/fd", X_OK) != 0)
            return false;
        // 0666 before the umask, as a plainly created file would get.
        fd = open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
                return false;
            ThrowCannotWrite(errno, path.c_str());
        }
        return true;
    }

    void CreateNamed()
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string candidate = HiddenName(target, random);
            const int created = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (created >= 0) {
                fd = created;
                named = candidate;
                return;
            }
            if (errno != EEXIST)
                ThrowCannotWrite(errno, path.c_str());
        }
        ThrowCannotWrite(EEXIST, path.c_str());
    }

    // Where the temporary file's stream opens it.
    std::string StreamPath() const { return named.empty() ? "/proc/self/fd/" + std::to_string(fd) : named; }

    void Discard()
    {
        stream.Reset();
        selector.reset();
        if (fd >= 0)
            close(fd);
        fd = -1;
        if (!named.empty())
            unlink(named.c_str());
        named.clear();
    }
};

CAtomicFile::CAtomicFile(const wchar_t* path) : m_body(std::make_unique<TBody>())
{
    if (!path)
        MRV_THROW(morvane::CNullPtrException, kMethod, L"Given file name is NULL");
    TBody& body = *m_body;
    body.path = path;
    body.target = ResolveTarget(morvane::utf::PathToBytes(path));
    // An existing file that could not be overwritten in place is not replaced either.
    struct stat existing {};
    body.replacing = stat(body.target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    body.mode = existing.st_mode & 07777;
    if (body.replacing && faccessat(AT_FDCWD, body.target.c_str(), W_OK, AT_EACCESS) != 0)
        ThrowCannotWrite(errno, path);
    const bool exists = stat(body.target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        ThrowCannotWrite(EISDIR, path);
    // What is not a file (/dev/stdout, a pipe) has no contents to keep and
    // must not be renamed over: it is written directly.
    body.inPlace = exists && !S_ISREG(existing.st_mode);
    if (body.inPlace) {
        body.selector.emplace(path);
        return;
    }
    if (!body.CreateNameless())
        body.CreateNamed();
    try {
        body.selector.emplace(morvane::utf::PathFromBytes(body.StreamPath()).c_str());
        body.stream = morvane::CRef<morvane::IOutputStream>::Adopt(
            new CWriteBackStream(body.selector->GetOutputStreamTmp(), body.fd));
    } catch (...) {
        body.Discard();
        throw;
    }
}

CAtomicFile::~CAtomicFile() { m_body->Discard(); }

morvane::IOutputStream* CAtomicFile::Stream()
{
    if (!m_body->selector)
        MRV_THROW(morvane::CInvalidStateException, L"ovk::CAtomicFile::Stream", L"The file is already complete");
    return m_body->stream ? m_body->stream.Get() : m_body->selector->GetOutputStreamTmp();
}

void CAtomicFile::Commit()
{
    TBody& body = *m_body;
    const wchar_t* path = body.path.c_str();
    try {
        morvane::IOutputStream* stream = Stream();
        stream->Flush();
        stream->Close();
        body.stream.Reset();
        body.selector.reset();
        if (body.inPlace)
            return;
        // The replaced file's permissions, set only now: with them the
        // temporary file might not have been writable.
        if (body.replacing)
            (void)fchmod(body.fd, body.mode);
        // What the disk could not take shows here at the latest.
        if (fsync(body.fd) != 0)
            MRV_THROW(morvane::CIOException, kMethod, morvane::MakeSystemReason(errno, L"Cannot write '%ls'", path));
        if (body.named.empty()) {
            // The nameless file gets a hidden name for the rename: linkat
            // cannot replace an existing target.
            const std::string link = "/proc/self/fd/" + std::to_string(body.fd);
            for (int attempt = 0; body.named.empty(); ++attempt) {
                const std::string candidate = HiddenName(body.target, body.random);
                if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    body.named = candidate;
                else if (errno != EEXIST || attempt == 100)
                    MRV_THROW(morvane::CIOException, kMethod,
                              morvane::MakeSystemReason(errno, L"Cannot replace '%ls'", path));
            }
        }
        if (std::rename(body.named.c_str(), body.target.c_str()) != 0)
            MRV_THROW(morvane::CIOException, kMethod, morvane::MakeSystemReason(errno, L"Cannot replace '%ls'", path));
        body.named.clear();
        close(body.fd);
        body.fd = -1;
        const int folder = open(FolderOf(body.target).c_str(), O_RDONLY | O_CLOEXEC);
        if (folder >= 0) {
            (void)fsync(folder);
            close(folder);
        }
    } catch (...) {
        body.Discard();
        throw;
    }
}

void WriteFileAtomically(const wchar_t* path, const std::function<void(morvane::IOutputStream*)>& write)
{
    CAtomicFile file(path);
    write(file.Stream());
    file.Commit();
}

} // namespace ovk
