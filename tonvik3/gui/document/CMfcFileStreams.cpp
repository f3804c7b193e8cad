#include "gui/document/CMfcFileStreams.h"

#include <QIODevice>

#include "core/module/CoreClasses.h"
#include "morvane/api/CException.h"
#include "morvane/api/FrameworkRegistry.h"

namespace ovk {

using morvane::CIOException;
using morvane::COperationNotSupportedException;

namespace {

[[noreturn]] void NotSupported(const wchar_t* method, const wchar_t* what)
{
    MRV_THROW(COperationNotSupportedException, method, what);
}

[[noreturn]] void DeviceFailed(const wchar_t* method, const QIODevice* archive)
{
    throw CIOException(method, MRV_WFILE, __LINE__,
                       morvane::MakeReason(L"%ls", archive->errorString().toStdWString().c_str()));
}

} // namespace

CMfcFileInputStream::CMfcFileInputStream() : CInputStreamImpl(clsid::CMfcFileInputStream) {}

void CMfcFileInputStream::Connect(QIODevice* archive)
{
    if (!archive || !archive->isOpen())
        MRV_THROW(CIOException, L"ovk::CMfcFileInputStream::Connect", L"Handle is NULL");
    if (!archive->isReadable())
        MRV_THROW(CIOException, L"ovk::CMfcFileInputStream::Connect", L"Archive is not in loading state");
    m_archive = archive;
    m_eof = false;
}

std::uint64_t CMfcFileInputStream::GetLength()
{
    NotSupported(L"ovk::CMfcFileInputStream::GetLength", L"GetLength not supported");
}
void CMfcFileInputStream::Flush() { NotSupported(L"ovk::CMfcFileInputStream::Flush", L"Flush not supported"); }
void CMfcFileInputStream::Seek(std::uint64_t)
{
    NotSupported(L"ovk::CMfcFileInputStream::Seek", L"Seek not supported");
}
std::uint64_t CMfcFileInputStream::Tell() { NotSupported(L"ovk::CMfcFileInputStream::Tell", L"Tell not supported"); }

void CMfcFileInputStream::Read(morvane::IMediaSample*)
{
    NotSupported(L"ovk::CMfcFileInputStream::Read", L"Media samples are not supported");
}

std::uint64_t CMfcFileInputStream::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(morvane::CNullPtrException, L"ovk::CMfcFileInputStream::Read", L"buffer is NULL");
    if (!m_archive)
        MRV_THROW(CIOException, L"ovk::CMfcFileInputStream::Read", L"Not connected");
    std::uint64_t delivered = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (delivered < count) {
        const qint64 n = m_archive->read(bytes + delivered, static_cast<qint64>(count - delivered));
        if (n < 0)
            DeviceFailed(L"ovk::CMfcFileInputStream::Read", m_archive);
        if (n == 0)
            break;
        delivered += static_cast<std::uint64_t>(n);
    }
    if (delivered < count)
        m_eof = true;
    return delivered;
}

void CMfcFileInputStream::Skip(std::uint64_t count)
{
    if (!m_archive)
        MRV_THROW(CIOException, L"ovk::CMfcFileInputStream::Skip", L"Not connected");
    char scratch[4096];
    while (count > 0) {
        const std::uint64_t step = std::min<std::uint64_t>(count, sizeof scratch);
        if (Read(scratch, step) < step)
            return;
        count -= step;
    }
}

CMfcFileOutputStream::CMfcFileOutputStream() : COutputStreamImpl(clsid::CMfcFileOutputStream) {}

void CMfcFileOutputStream::Connect(QIODevice* archive)
{
    if (!archive || !archive->isOpen())
        MRV_THROW(CIOException, L"ovk::CMfcFileOutputStream::Connect", L"Handle is NULL");
    if (!archive->isWritable())
        MRV_THROW(CIOException, L"ovk::CMfcFileOutputStream::Connect", L"Archive is not in storing state");
    m_archive = archive;
}

std::uint64_t CMfcFileOutputStream::GetLength()
{
    NotSupported(L"ovk::CMfcFileOutputStream::GetLength", L"GetLength not supported");
}
void CMfcFileOutputStream::Flush() { NotSupported(L"ovk::CMfcFileOutputStream::Flush", L"Flush not supported"); }
void CMfcFileOutputStream::Seek(std::uint64_t)
{
    NotSupported(L"ovk::CMfcFileOutputStream::Seek", L"Seek not supported");
}
std::uint64_t CMfcFileOutputStream::Tell()
{
    NotSupported(L"ovk::CMfcFileOutputStream::Tell", L"Tell not supported");
}

std::uint64_t CMfcFileOutputStream::Write(const void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(morvane::CNullPtrException, L"ovk::CMfcFileOutputStream::Write", L"buffer is NULL");
    if (!m_archive)
        MRV_THROW(CIOException, L"ovk::CMfcFileOutputStream::Write", L"Not connected");
    const qint64 n = m_archive->write(static_cast<const char*>(buffer), static_cast<qint64>(count));
    if (n < 0 || static_cast<std::uint64_t>(n) != count)
        DeviceFailed(L"ovk::CMfcFileOutputStream::Write", m_archive);
    return count;
}

void RegisterEditorClasses()
{
    RegisterCoreClasses();
    morvane::RegisterClassOf<CMfcFileInputStream>(clsid::CMfcFileInputStream, L"ovk::CMfcFileInputStream");
    morvane::RegisterClassOf<CMfcFileOutputStream>(clsid::CMfcFileOutputStream, L"ovk::CMfcFileOutputStream");
}

} // namespace ovk
