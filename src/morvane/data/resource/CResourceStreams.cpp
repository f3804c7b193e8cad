#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

namespace morvane {

namespace {

// The bound resource, or "No resource bound": a CIOException for reads and
// writes, a COperationNotSupportedException for the other operations.
IResource* RequireBound(const CRef<IResource>& resource, const wchar_t* method, bool io)
{
    if (!resource) {
        if (io)
            MRV_THROW(CIOException, method, L"No resource bound");
        MRV_THROW(COperationNotSupportedException, method, L"No resource bound");
    }
    return resource.Get();
}

} // namespace

// ---- CResourceIs

CResourceIs::CResourceIs() : CInputStreamImpl(clsid::CResourceIs) {}

CResourceIs::CResourceIs(IResource* resource) : CInputStreamImpl(clsid::CResourceIs) { Bind(resource); }

CResourceIs* CResourceIs::FromBytes(std::vector<std::uint8_t> bytes, const TDataFormat* format)
{
    auto resource = CRef<IResource>::Adopt(new CResource(std::move(bytes), format));
    return new CResourceIs(resource.Get());
}

void CResourceIs::Bind(IResource* resource)
{
    m_resource = CRef<IResource>(resource);
    m_position = 0;
}

IResource* CResourceIs::GetResource() { return CRef<IResource>(m_resource).Detach(); }

IResource* CResourceIs::Bound(const wchar_t* method, bool io) const { return RequireBound(m_resource, method, io); }

unsigned int CResourceIs::GetCaps()
{
    return m_resource ? STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH | STREAM_CAN_FLUSH : 0;
}

std::uint64_t CResourceIs::GetLength() { return Bound(L"morvane::CResourceIs::GetLength", false)->GetSize(); }

void CResourceIs::Flush() { Bound(L"morvane::CResourceIs::Flush", false); }

void CResourceIs::Seek(std::uint64_t position)
{
    Bound(L"morvane::CResourceIs::Seek", false);
    m_position = position;
}

std::uint64_t CResourceIs::Tell()
{
    Bound(L"morvane::CResourceIs::Tell", false);
    return m_position;
}

bool CResourceIs::Eof() { return !m_resource || m_position >= m_resource->GetSize(); }

const TDataFormat* CResourceIs::GetFormat() { return m_resource ? m_resource->GetFormat() : GetNullFormat(); }

std::uint64_t CResourceIs::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        ThrowNullBuffer(L"morvane::CResourceIs::Read");
    std::uint64_t n = Bound(L"morvane::CResourceIs::Read", true)->ReadAt(m_position, buffer, count);
    m_position += n;
    return n;
}

void CResourceIs::Skip(std::uint64_t count)
{
    Bound(L"morvane::CResourceIs::Skip", true);
    m_position += count;
}

// ---- CResourceOs

CResourceOs::CResourceOs() : COutputStreamImpl(clsid::CResourceOs) {}

CResourceOs::CResourceOs(const CId& classId) : COutputStreamImpl(classId) {}

CResourceOs::CResourceOs(IResource* resource) : COutputStreamImpl(clsid::CResourceOs) { Bind(resource); }

void CResourceOs::Bind(IResource* resource)
{
    m_resource = CRef<IResource>(resource);
    m_position = 0;
}

IResource* CResourceOs::GetResource() { return CRef<IResource>(m_resource).Detach(); }

std::vector<std::uint8_t> CResourceOs::GetBytes()
{
    std::vector<std::uint8_t> bytes;
    if (!m_resource)
        return bytes;
    bytes.resize(static_cast<std::size_t>(m_resource->GetSize()));
    if (!bytes.empty())
        bytes.resize(static_cast<std::size_t>(m_resource->ReadAt(0, bytes.data(), bytes.size())));
    return bytes;
}

IResource* CResourceOs::Bound(const wchar_t* method, bool io) const { return RequireBound(m_resource, method, io); }

unsigned int CResourceOs::GetCaps()
{
    return m_resource ? STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH : 0;
}

std::uint64_t CResourceOs::GetLength() { return Bound(L"morvane::CResourceOs::GetLength", false)->GetSize(); }

void CResourceOs::Flush()
{
    Bound(L"morvane::CResourceOs::Flush", false);
    MRV_THROW(COperationNotSupportedException, L"morvane::CResourceOs::Flush", L"Flush unsupported");
}

void CResourceOs::Seek(std::uint64_t position)
{
    Bound(L"morvane::CResourceOs::Seek", false);
    m_position = position;
}

std::uint64_t CResourceOs::Tell()
{
    Bound(L"morvane::CResourceOs::Tell", false);
    return m_position;
}

std::uint64_t CResourceOs::Write(const void* buffer, std::uint64_t count)
{
    std::uint64_t n = Bound(L"morvane::CResourceOs::Write", true)->WriteAt(m_position, buffer, count);
    m_position += n;
    return n;
}

// ---- CAppendingRos

CAppendingRos::CAppendingRos() : CResourceOs(clsid::CAppendingRos) {}

unsigned int CAppendingRos::GetCaps() { return m_resource ? STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH : 0; }

void CAppendingRos::Seek(std::uint64_t)
{
    Bound(L"morvane::CAppendingRos::Seek", false);
    MRV_THROW(COperationNotSupportedException, L"morvane::CAppendingRos::Seek", L"Seek unsupported");
}

std::uint64_t CAppendingRos::Tell() { return Bound(L"morvane::CAppendingRos::Tell", false)->GetSize(); }

std::uint64_t CAppendingRos::Write(const void* buffer, std::uint64_t count)
{
    IResource* resource = Bound(L"morvane::CAppendingRos::Write", true);
    return resource->WriteAt(resource->GetSize(), buffer, count);
}

} // namespace morvane
