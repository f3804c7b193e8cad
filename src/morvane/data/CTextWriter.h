#pragma once
#include <cstdarg>
#include "morvane/data/CWriter.h"
#include "morvane/data/TextFormats.h"

namespace morvane {

// Formatted text in 8-bit or UTF-16LE characters, without a byte-order mark.
// Each Write formats its arguments and makes exactly one stream write.
class MORVANE_API CTextWriter : public CWriter {
public:
    CTextWriter(IOutputStream* stream, TCharFormat charFormat, TLineBreakFormat lineBreakFormat);

    // Formats like the C library's wide printf: %ls for wide text (%s takes
    // 8-bit text, which must be ASCII in the C locale). 8-bit output keeps the
    // low byte of each UTF-16 unit.
    virtual void Write(const wchar_t* format, ...);
    void WriteV(const wchar_t* format, va_list args);

    TCharFormat GetCharFormat() const { return m_charFormat; }
    TLineBreakFormat GetLineBreakFormat() const { return m_lineBreakFormat; }

private:
    TCharFormat m_charFormat;
    TLineBreakFormat m_lineBreakFormat;
};

} // namespace morvane
