#include "morvane/data/file/FileUtil.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <limits>
#include <string>

#include "morvane/api/Utf.h"

namespace morvane::fileutil {

std::FILE* OpenFile(const wchar_t* path, const char* mode)
{
    const std::string bytes = utf::PathToBytes(path);
    std::FILE* file = std::fopen(bytes.c_str(), mode);
    if (!file)
        return nullptr;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        std::fclose(file);
        errno = error;
        return nullptr;
    }
    return file;
}

bool SeekTo(std::FILE* file, std::uint64_t position)
{
    if (position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return false;
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool SeekToEnd(std::FILE* file) { return fseeko(file, 0, SEEK_END) == 0; }

bool TellPosition(std::FILE* file, std::uint64_t& position)
{
    off_t at = ftello(file);
    if (at < 0)
        return false;
    position = static_cast<std::uint64_t>(at);
    return true;
}

} // namespace morvane::fileutil
