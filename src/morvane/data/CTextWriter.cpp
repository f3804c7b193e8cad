#include "morvane/data/CTextWriter.h"

#include <cstdint>
#include <string>
#include <vector>

#include "morvane/api/CDebug.h"
#include "morvane/api/Utf.h"
#include "morvane/data/IStream.h"

namespace morvane {

CTextWriter::CTextWriter(IOutputStream* stream, TCharFormat charFormat, TLineBreakFormat lineBreakFormat)
    : CWriter(stream), m_charFormat(charFormat), m_lineBreakFormat(lineBreakFormat)
{
}

void CTextWriter::Write(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteV(format, args);
    va_end(args);
}

void CTextWriter::WriteV(const wchar_t* format, va_list args)
{
    // Formatted into a buffer that grows as needed: long output is written
    // whole, the line-break expansion included.
    std::wstring text = FormatV(format, args);
    std::u16string units = utf::ToUtf16(text.c_str()); // up to the first NUL

    std::u16string expanded;
    if (m_lineBreakFormat == LINEBREAK_CRLF) {
        expanded.reserve(units.size() + units.size() / 8);
        for (char16_t unit : units) {
            if (unit == u'\n')
                expanded.push_back(u'\r');
            expanded.push_back(unit);
        }
    } else {
        expanded = std::move(units);
    }
    if (expanded.empty())
        return;

    if (m_charFormat == CHARFORMAT_8BIT) {
        // No code page: a character above 255 is cut to its low byte.
        std::vector<std::uint8_t> bytes(expanded.size());
        for (std::size_t i = 0; i < expanded.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(expanded[i] & 0xFF);
        m_stream->Write(bytes.data(), bytes.size());
    } else {
        std::vector<std::uint8_t> bytes(expanded.size() * 2);
        for (std::size_t i = 0; i < expanded.size(); ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(expanded[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(expanded[i] >> 8);
        }
        m_stream->Write(bytes.data(), bytes.size());
    }
}

} // namespace morvane
