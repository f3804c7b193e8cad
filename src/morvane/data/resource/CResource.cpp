#include "morvane/data/resource/CResource.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

CResource::CResource() : CObjectImpl(clsid::CResource) {}

CResource::CResource(std::vector<std::uint8_t> bytes, const TDataFormat* format)
    : CObjectImpl(clsid::CResource), m_bytes(std::move(bytes))
{
    m_format.Assign(format, L"morvane::CResource::SetFormat");
}

CResource::~CResource() = default;

const TDataFormat* CResource::GetFormat()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_format.Get();
}

void CResource::SetFormat(const TDataFormat* format)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    // The bytes held are in the current format; it cannot change under them.
    if (!m_bytes.empty())
        MRV_THROW(CInvalidStateException, L"morvane::CResource::SetFormat", L"Data format is locked");
    m_format.Assign(format, L"morvane::CResource::SetFormat");
}

std::uint64_t CResource::GetSize()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_bytes.size();
}

void CResource::SetSize(std::uint64_t size)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    try {
        if (size > std::numeric_limits<std::size_t>::max())
            throw std::length_error("size");
        m_bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::exception&) {
        MRV_THROW(COutOfMemoryException, L"morvane::CResource::SetSize", L"Resource cannot grow");
    }
}

std::uint64_t CResource::ReadAt(std::uint64_t position, void* buffer, std::uint64_t count)
{
    if (!buffer)
        MRV_THROW(CNullPtrException, L"morvane::CResource::ReadAt", L"buffer is NULL");
    std::lock_guard<std::mutex> guard(m_mutex);
    if (position >= m_bytes.size())
        return 0;
    std::uint64_t available = m_bytes.size() - position;
    std::uint64_t n = count < available ? count : available;
    std::memcpy(buffer, m_bytes.data() + position, static_cast<std::size_t>(n));
    return n;
}

std::uint64_t CResource::WriteAt(std::uint64_t position, const void* buffer, std::uint64_t count)
{
    if (count == 0)
        return 0;
    if (!buffer)
        MRV_THROW(CNullPtrException, L"morvane::CResource::WriteAt", L"buffer is NULL");
    std::lock_guard<std::mutex> guard(m_mutex);
    std::uint64_t end = position + count;
    if (end < position)
        MRV_THROW(COutOfMemoryException, L"morvane::CResource::WriteAt", L"Resource cannot grow");
    if (end > m_bytes.size()) {
        try {
            if (end > std::numeric_limits<std::size_t>::max())
                throw std::length_error("size");
            m_bytes.resize(static_cast<std::size_t>(end));
        } catch (const std::exception&) {
            MRV_THROW(COutOfMemoryException, L"morvane::CResource::WriteAt", L"Resource cannot grow");
        }
    }
    std::memcpy(m_bytes.data() + position, buffer, static_cast<std::size_t>(count));
    return count;
}

std::vector<std::uint8_t> CResource::GetBytes() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_bytes;
}

void CResource::SetBytes(std::vector<std::uint8_t> bytes)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bytes = std::move(bytes);
}

} // namespace morvane
