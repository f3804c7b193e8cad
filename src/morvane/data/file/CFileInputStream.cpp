#include "morvane/data/file/CFileInputStream.h"

#include <cerrno>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/file/FileUtil.h"

namespace morvane {

CFileInputStream::CFileInputStream() : CInputStreamImpl(clsid::CFileInputStream) {}

CFileInputStream::~CFileInputStream() { Close(); }

void CFileInputStream::Open(const wchar_t* path)
{
    Close();
    if (!path)
        MRV_THROW(CNullPtrException, L"morvane::CFileInputStream::Open", L"Given file name is NULL");
    std::FILE* file = fileutil::OpenFile(path, "rb");
    if (!file)
        MRV_THROW(CFileAccessException, L"morvane::CFileInputStream::Open",
                  MakeSystemReason(errno, L"Cannot open '%ls' for reading", path));
    std::uint64_t length = 0;
    if (!fileutil::SeekToEnd(file) || !fileutil::TellPosition(file, length) || !fileutil::SeekTo(file, 0)) {
        const int error = errno;
        std::fclose(file);
        MRV_THROW(CFileAccessException, L"morvane::CFileInputStream::Open",
                  MakeSystemReason(error, L"Cannot open '%ls' for reading", path));
    }
    m_file = file;
    m_length = length;
    m_path = path;
}

void CFileInputStream::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_length = 0;
    m_path = L"";
}

unsigned int CFileInputStream::GetCaps()
{
    return m_file ? STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH : 0;
}

std::uint64_t CFileInputStream::GetLength()
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileInputStream::GetLength", L"File is not open");
    return m_length;
}

void CFileInputStream::Flush()
{
    MRV_THROW(COperationNotSupportedException, L"morvane::CFileInputStream::Flush", L"Flush is not supported");
}

void CFileInputStream::Seek(std::uint64_t position)
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileInputStream::Seek", L"File is not open");
    if (!fileutil::SeekTo(m_file, position))
        MRV_THROW(CIOException, L"morvane::CFileInputStream::Seek", MakeSystemReason(errno, L"_fseeki64 failed"));
}

std::uint64_t CFileInputStream::Tell()
{
    if (!m_file)
        MRV_THROW(COperationNotSupportedException, L"morvane::CFileInputStream::Tell", L"File is not open");
    std::uint64_t position = 0;
    if (!fileutil::TellPosition(m_file, position))
        MRV_THROW(CIOException, L"morvane::CFileInputStream::Tell", MakeSystemReason(errno, L"_ftelli64 failed"));
    return position;
}

bool CFileInputStream::Eof()
{
    if (!m_file)
        return true;
    return Tell() >= m_length;
}

std::uint64_t CFileInputStream::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        ThrowNullBuffer(L"morvane::CFileInputStream::Read");
    if (!m_file)
        MRV_THROW(CIOException, L"morvane::CFileInputStream::Read", L"File is not open");
    return std::fread(buffer, 1, static_cast<std::size_t>(count), m_file);
}

void CFileInputStream::Skip(std::uint64_t count)
{
    if (!m_file)
        MRV_THROW(CIOException, L"morvane::CFileInputStream::Skip", L"File is not open");
    Seek(Tell() + count);
}

} // namespace morvane
