#include "morvane/data/CMediaSample.h"

#include <limits>
#include <new>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

template <class I>
void CMediaSampleImpl<I>::SetDataLength(std::uint64_t length)
{
    if (length > m_size)
        MRV_THROW(CInvalidParameterException, L"morvane::CMediaSample::SetDataLength", L"Length exceeds the buffer");
    m_length = length;
}

template class CMediaSampleImpl<IMediaSample>;
template class CMediaSampleImpl<ISwBufferMediaSample>;

CMediaSample::CMediaSample() : CMediaSampleImpl(clsid::CMediaSample) {}

void CMediaSample::SetBuffer(void* pointer, std::uint64_t size)
{
    m_pointer = pointer;
    m_size = pointer ? size : 0;
    m_length = 0;
}

CSwBufferMediaSample::CSwBufferMediaSample() : CMediaSampleImpl(clsid::CSwBufferMediaSample) {}

void CSwBufferMediaSample::Allocate(std::uint64_t size)
{
    try {
        if (size > std::numeric_limits<std::size_t>::max())
            throw std::bad_alloc();
        std::vector<std::uint8_t>(static_cast<std::size_t>(size)).swap(m_memory);
    } catch (const std::exception&) {
        MRV_THROW(COutOfMemoryException, L"morvane::CSwBufferMediaSample::Allocate", L"Cannot allocate the buffer");
    }
    m_pointer = m_memory.empty() ? nullptr : m_memory.data();
    m_size = m_memory.size();
    m_length = 0;
}

} // namespace morvane
