#include "core/files/CRecordStream.h"

#include "morvane/api/CException.h"

namespace ovk {

using morvane::CRef;
using morvane::IInputStream;

CRecordStream::CRecordStream(IInputStream* source) : CObjectImpl(kClassId), m_source(source) {}

CRef<CRecordStream> CRecordStream::Wrap(IInputStream* source)
{
    if (!source)
        MRV_THROW(morvane::CNullPtrException, L"ovk::CRecordStream::Wrap", L"Given input stream is NULL");
    return CRef<CRecordStream>::Adopt(new CRecordStream(source));
}

void CRecordStream::Close() { m_source->Close(); }
unsigned int CRecordStream::GetCaps() { return m_source->GetCaps(); }
std::uint64_t CRecordStream::GetLength() { return m_source->GetLength(); }
void CRecordStream::Flush() { m_source->Flush(); }
void CRecordStream::Seek(std::uint64_t position) { m_source->Seek(position); }
std::uint64_t CRecordStream::Tell() { return m_source->Tell(); }
// A stream that once came short is at its end, even if the source does not
// say so itself.
bool CRecordStream::Eof() { return m_cameShort || m_source->Eof(); }
const morvane::TDataFormat* CRecordStream::GetFormat() { return m_source->GetFormat(); }
void CRecordStream::Read(morvane::IMediaSample* sample) { m_source->Read(sample); }
bool CRecordStream::HasProperty(const void* property) { return m_source->HasProperty(property); }
void CRecordStream::Skip(std::uint64_t count) { m_source->Skip(count); }

std::uint64_t CRecordStream::Read(void* buffer, std::uint64_t count)
{
    const std::uint64_t delivered = m_source->Read(buffer, count);
    m_cameShort = m_cameShort || delivered < count;
    return delivered;
}

} // namespace ovk
