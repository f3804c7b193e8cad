#pragma once
#include <cstdint>
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/filters/IPcmFilters.h"

namespace morvane {

// Passes the source's bytes through unchanged and reports a private copy of
// the format record its user sets (the null format until then).
class MORVANE_API CSetFormatIsf : public CInputStreamFilterImpl<ISetFormatIsf> {
public:
    CSetFormatIsf();
    // CInvalidParameterException "Invalid data format size" for a size field
    // below 20 or above 64 KiB.
    void SetFormat(const TDataFormat* format) override;
    const TDataFormat* GetFormat() override;
    void Skip(std::uint64_t count) override;

private:
    CFormatCopy m_format;
};

} // namespace morvane
