#include "morvane/data/CWriter.h"

#include "morvane/api/CException.h"

namespace morvane {

CWriter::CWriter(IOutputStream* stream) : m_stream(stream)
{
    if (!m_stream)
        MRV_THROW(CNullPtrException, L"morvane::CWriter::CWriter", L"Given output stream is NULL");
}

void CWriter::Seek(std::uint64_t position) { m_stream->Seek(position); }

std::uint64_t CWriter::Tell() { return m_stream->Tell(); }

} // namespace morvane
