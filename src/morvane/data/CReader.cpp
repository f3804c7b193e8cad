#include "morvane/data/CReader.h"

#include "morvane/api/CException.h"

namespace morvane {

CReader::CReader(IInputStream* stream) : m_stream(stream)
{
    if (!m_stream)
        MRV_THROW(CNullPtrException, L"morvane::CReader::CReader", L"Given input stream is NULL");
}

bool CReader::Eof() { return m_stream->Eof(); }

void CReader::Seek(std::uint64_t position) { m_stream->Seek(position); }

std::uint64_t CReader::Tell() { return m_stream->Tell(); }

} // namespace morvane
