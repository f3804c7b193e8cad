#include "morvane/data/filters/CWavChunkDecoder.h"

#include <cstring>

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

namespace {

// A damaged file may hold any number of tiny chunks; a real one has few.
constexpr std::size_t kMaxChunks = 4096;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b)
{
    for (int i = 0; i < 4; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }

} // namespace

CWavChunkDecoder::CWavChunkDecoder() : CInputStreamFilterImpl(clsid::CWavChunkDecoder) {}

void CWavChunkDecoder::Connect(IInputStream* source)
{
    Disconnect();
    if (!source)
        return;
    const wchar_t* method = L"morvane::CWavChunkDecoder::Connect";
    unsigned int caps = source->GetCaps();
    if (!(caps & STREAM_CAN_SEEK))
        MRV_THROW(CDataFormatException, method, L"Seek unsupported");
    if (!(caps & STREAM_CAN_TELL))
        MRV_THROW(CDataFormatException, method, L"Tell unsupported");

    std::uint8_t header[12] = {};
    bool valid = false;
    try {
        source->Seek(0);
        valid = source->Read(header, 12) == 12 && std::memcmp(header, "RIFF", 4) == 0 &&
                std::memcmp(header + 8, "WAVE", 4) == 0;
    } catch (const CException&) {
        valid = false; // a read error counts as an invalid header
    }
    if (!valid)
        MRV_THROW(CDataFormatException, method, L"Invalid header");

    // Chunk sizes are taken as they are, without rounding up to even. A name
    // seen twice keeps its first chunk.
    std::vector<TChunk> chunks;
    std::uint64_t at = 12;
    try {
        while (chunks.size() < kMaxChunks) {
            source->Seek(at);
            std::uint8_t head[8];
            if (source->Read(head, 8) < 8)
                break;
            TChunk chunk{};
            std::memcpy(chunk.name, head, 4);
            chunk.position = at + 8;
            chunk.size = Le32(head + 4);
            bool known = false;
            for (const TChunk& c : chunks)
                known |= std::memcmp(c.name, chunk.name, 4) == 0;
            if (!known)
                chunks.push_back(chunk);
            at = chunk.position + chunk.size;
        }
    } catch (const CException&) {
        // A size that points where the source cannot go ends the list.
    }
    m_chunks = std::move(chunks);
    m_source = CRef<IInputStream>(source);
}

void CWavChunkDecoder::Disconnect()
{
    CInputStreamFilterImpl::Disconnect();
    m_chunks.clear();
    m_current = nullptr;
    m_offset = 0;
}

void CWavChunkDecoder::SelectChunk(const char* name)
{
    IInputStream* source = Source(L"morvane::CWavChunkDecoder::SelectChunk");
    m_offset = 0;
    if (!name) {
        m_current = nullptr;
        return;
    }
    char wanted[4] = {};
    for (int i = 0; i < 4 && name[i]; ++i)
        wanted[i] = name[i];
    bool fourCharacters = std::strlen(name) == 4;
    for (const TChunk& chunk : m_chunks) {
        if (fourCharacters && SameName(chunk.name, wanted)) {
            m_current = &chunk;
            source->Seek(chunk.position);
            return;
        }
    }
    MRV_THROW(CObjectNotFoundException, L"morvane::CWavChunkDecoder::SelectChunk", L"Cannot find chunk");
}

bool CWavChunkDecoder::Eof()
{
    if (!m_source)
        return true;
    if (!m_current)
        return m_source->Eof();
    return m_offset >= m_current->size || m_source->Eof();
}

std::uint64_t CWavChunkDecoder::GetLength()
{
    IInputStream* source = Source(L"morvane::CWavChunkDecoder::GetLength");
    return m_current ? m_current->size : source->GetLength();
}

void CWavChunkDecoder::Seek(std::uint64_t position)
{
    IInputStream* source = Source(L"morvane::CWavChunkDecoder::Seek");
    if (!m_current) {
        source->Seek(position);
        return;
    }
    source->Seek(m_current->position + position);
    m_offset = position;
}

std::uint64_t CWavChunkDecoder::Tell()
{
    IInputStream* source = Source(L"morvane::CWavChunkDecoder::Tell");
    return m_current ? m_offset : source->Tell();
}

std::uint64_t CWavChunkDecoder::Read(void* buffer, std::uint64_t count)
{
    if (!buffer)
        ThrowNullBuffer(L"morvane::CWavChunkDecoder::Read");
    if (!m_source)
        ThrowNotConnected(L"morvane::CWavChunkDecoder::Read", true);
    if (!m_current)
        return m_source->Read(buffer, count);
    std::uint64_t left = m_offset < m_current->size ? m_current->size - m_offset : 0;
    std::uint64_t got = m_source->Read(buffer, count < left ? count : left);
    m_offset += got;
    return got;
}

void CWavChunkDecoder::Skip(std::uint64_t count)
{
    Source(L"morvane::CWavChunkDecoder::Skip");
    Seek(Tell() + count);
}

} // namespace morvane
