#include "morvane/data/filters/CSetFormatIsf.h"

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/TDataFormat.h"

namespace morvane {

CSetFormatIsf::CSetFormatIsf() : CInputStreamFilterImpl(clsid::CSetFormatIsf) {}

void CSetFormatIsf::SetFormat(const TDataFormat* format)
{
    if (!format) {
        m_format.clear();
        return;
    }
    if (format->size < sizeof(TDataFormat) || format->size > 64 * 1024)
        MRV_THROW(CInvalidParameterException, L"morvane::CSetFormatIsf::SetFormat", L"Invalid data format size");
    auto* bytes = reinterpret_cast<const std::uint8_t*>(format);
    m_format.assign(bytes, bytes + format->size);
}

const TDataFormat* CSetFormatIsf::GetFormat()
{
    return m_format.empty() ? GetNullFormat() : reinterpret_cast<const TDataFormat*>(m_format.data());
}

void CSetFormatIsf::Skip(std::uint64_t count) { Source(L"morvane::CSetFormatIsf::Skip")->Skip(count); }

} // namespace morvane
