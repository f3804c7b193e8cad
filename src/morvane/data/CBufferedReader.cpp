#include "morvane/data/CBufferedReader.h"

#include <cstdlib>
#include <cstring>

#include "morvane/api/CException.h"
#include "morvane/data/IStream.h"

namespace morvane {

CBufferedReader::CBufferedReader(IInputStream* stream, int capacity)
    : CReader(stream), m_buffer(nullptr), m_capacity(capacity > 0 ? capacity : 0), m_held(0)
{
    if (m_capacity > 0) {
        m_buffer = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(m_capacity)));
        if (!m_buffer)
            MRV_THROW(COutOfMemoryException, L"morvane::CBufferedReader::CBufferedReader", L"malloc failed");
    }
}

CBufferedReader::~CBufferedReader() { std::free(m_buffer); }

void CBufferedReader::FillBuffer()
{
    int space = m_capacity - m_held;
    if (space <= 0)
        return;
    std::uint64_t got = m_stream->Read(m_buffer + m_held, static_cast<std::uint64_t>(space));
    // A stream never delivers more than asked; trust it no further than the space.
    m_held += got < static_cast<std::uint64_t>(space) ? static_cast<int>(got) : space;
}

void CBufferedReader::RemoveBufferedData(int count)
{
    if (count >= m_held) {
        m_held = 0;
        return;
    }
    if (count <= 0)
        return;
    std::memmove(m_buffer, m_buffer + count, static_cast<std::size_t>(m_held - count));
    m_held -= count;
}

void CBufferedReader::Flush() { m_held = 0; }

std::uint64_t CBufferedReader::Tell() { return m_stream->Tell() - static_cast<std::uint64_t>(m_held); }

void CBufferedReader::Seek(std::uint64_t position)
{
    Flush();
    m_stream->Seek(position);
}

bool CBufferedReader::Eof() { return m_held == 0 && m_stream->Eof(); }

} // namespace morvane
