#include "core/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/IStream.h"

namespace ovk {

namespace {

constexpr const wchar_t* kMethod = L"ovk::WriteFileAtomically";

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

// Creates a new, empty temporary file beside the target; gives its path.
std::string CreateTemporary(const std::string& target, const wchar_t* path)
{
    const std::string folder = FolderOf(target);
    const std::string prefix = (folder == "/" ? "" : folder) + "/." + NameOf(target) + ".";
    std::random_device device;
    std::mt19937 random(device());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof(suffix), "%06x.tmp", static_cast<unsigned>(random() & 0xFFFFFF));
        const std::string candidate = prefix + suffix;
        // 0666 before the umask, as a plainly created file would get.
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            break;
    }
    MRV_THROW(morvane::CFileAccessException, kMethod, morvane::MakeReason(L"Cannot open '%ls' for writing", path));
}

void SyncFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        (void)fsync(fd);
        close(fd);
    }
}

} // namespace

void WriteFileAtomically(const wchar_t* path, const std::function<void(morvane::IOutputStream*)>& write)
{
    if (!path)
        MRV_THROW(morvane::CNullPtrException, kMethod, L"Given file name is NULL");
    const std::string target = ResolveTarget(morvane::utf::ToUtf8(path));
    // An existing file that could not be overwritten in place is not replaced either.
    struct stat existing {};
    const bool replacing = stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (replacing && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        MRV_THROW(morvane::CFileAccessException, kMethod, morvane::MakeReason(L"Cannot open '%ls' for writing", path));
    const std::string temporary = CreateTemporary(target, path);
    try {
        {
            morvane::COutputStreamSelector selector(morvane::utf::FromUtf8(temporary).c_str());
            morvane::IOutputStream* stream = selector.GetOutputStreamTmp();
            write(stream);
            stream->Flush();
            stream->Close();
        }
        // The replaced file's permissions, set only now: with them the
        // temporary file might not have been writable.
        if (replacing)
            (void)chmod(temporary.c_str(), existing.st_mode & 07777);
        SyncFile(temporary);
        if (std::rename(temporary.c_str(), target.c_str()) != 0)
            MRV_THROW(morvane::CIOException, kMethod, morvane::MakeReason(L"Cannot replace '%ls'", path));
        SyncFile(FolderOf(target));
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
}

} // namespace ovk
