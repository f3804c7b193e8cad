#include "morvane/data/file/CFileOutputStream.h"

#include <sys/stat.h>

#include <cerrno>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CInputStream.h"
#include "morvane/data/file/FileUtil.h"

namespace morvane {

CFileOutputStream::CFileOutputStream() : COutputStreamImpl(clsid::CFileOutputStream) {}

CFileOutputStream::~CFileOutputStream() { Close(); }

void CFileOutputStream::Open(const wchar_t* path, bool append)
{
    Close();
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CFileOutputStream::Open", L"Given file name is NULL");
    m_file = fileutil::OpenFile(path, append ? "ab" : "wb");
    if (!m_file)
        MRV_THROW(CFileAccessException, L"morvane::CFileOutputStream::Open",
                  MakeSystemReason(errno, L"Cannot open '%ls' for writing", path));
    m_path = path;
}

void CFileOutputStream::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_path = L"";
}

unsigned int CFileOutputStream::GetCaps()
{
    return m_file ? STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_FLUSH : 0;
}

std::uint64_t CFileOutputStream::GetLength()
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileOutputStream::GetLength", L"File is not open");
    // What was written so far, the C library's buffer included.
    std::fflush(m_file);
    struct stat info {};
    if (fstat(fileno(m_file), &info) != 0)
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::GetLength", MakeSystemReason(errno, L"fstat failed"));
    return static_cast<std::uint64_t>(info.st_size);
}

void CFileOutputStream::Flush()
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileOutputStream::Flush", L"File is not open");
    if (std::fflush(m_file) != 0)
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::Flush", MakeSystemReason(errno, L"fflush failed"));
}

void CFileOutputStream::Seek(std::uint64_t position)
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileOutputStream::Seek", L"File is not open");
    if (!fileutil::SeekTo(m_file, position))
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::Seek", MakeSystemReason(errno, L"_fseeki64 failed"));
}

std::uint64_t CFileOutputStream::Tell()
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileOutputStream::Tell", L"File is not open");
    std::uint64_t position = 0;
    if (!fileutil::TellPosition(m_file, position))
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::Tell", MakeSystemReason(errno, L"_ftelli64 failed"));
    return position;
}

std::uint64_t CFileOutputStream::Write(const void* buffer, std::uint64_t count)
{
    if (!m_file)
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::Write", L"File is not open");
    if (count == 0)
        return 0;
    if (!buffer)
        ThrowNullBuffer(L"morvane::CFileOutputStream::Write");
    std::size_t written = std::fwrite(buffer, 1, static_cast<std::size_t>(count), m_file);
    if (written != count)
        MRV_THROW(CIOException, L"morvane::CFileOutputStream::Write", MakeSystemReason(errno, L"fwrite failed"));
    return written;
}

} // namespace morvane
