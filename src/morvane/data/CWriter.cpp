#include "morvane/data/CWriter.h"

#include "morvane/api/CException.h"
#include "morvane/data/IStream.h"

namespace morvane {

CWriter::CWriter(IOutputStream* stream) : m_stream(stream)
{
    if (!m_stream)
        MRV_THROW(CNullPtrException, L"morvane::CWriter::CWriter", L"Given output stream is NULL");
    m_stream->AddRef();
}

CWriter::CWriter(const CWriter& other) : CClassObject(), m_stream(other.m_stream) { m_stream->AddRef(); }

CWriter::~CWriter() { m_stream->Release(); }

CWriter& CWriter::operator=(const CWriter& other)
{
    if (this != &other) {
        other.m_stream->AddRef();
        m_stream->Release();
        m_stream = other.m_stream;
    }
    return *this;
}

void CWriter::Seek(std::uint64_t position) { m_stream->Seek(position); }

std::uint64_t CWriter::Tell() { return m_stream->Tell(); }

} // namespace morvane
