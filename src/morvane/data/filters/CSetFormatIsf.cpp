#include "morvane/data/filters/CSetFormatIsf.h"

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

CSetFormatIsf::CSetFormatIsf() : CInputStreamFilterImpl(clsid::CSetFormatIsf) {}

void CSetFormatIsf::SetFormat(const TDataFormat* format)
{
    m_format.Assign(format, L"morvane::CSetFormatIsf::SetFormat");
}

const TDataFormat* CSetFormatIsf::GetFormat() { return m_format.Get(); }

void CSetFormatIsf::Skip(std::uint64_t count) { Source(L"morvane::CSetFormatIsf::Skip")->Skip(count); }

} // namespace morvane
