#include "morvane/data/CTextReader.h"

#include <string>

#include "morvane/api/Utf.h"

namespace morvane {

namespace {

constexpr int kTextBufferSize = 1024;

} // namespace

CTextReader::CTextReader(IInputStream* stream, TCharFormat charFormat)
    : CBufferedReader(stream, kTextBufferSize), m_charFormat(charFormat)
{
}

CString CTextReader::ReadLine()
{
    // UTF-16 units are gathered first and joined at the end, so a surrogate
    // pair split between two fills still makes one character.
    std::u16string line;
    for (;;) {
        FillBuffer();
        if (m_held == 0)
            break;
        if (m_charFormat == CHARFORMAT_8BIT) {
            int i = 0;
            while (i < m_held && m_buffer[i] != '\n')
                ++i;
            // Bytes 128-255 become U+0080-U+00FF: no code page.
            line.append(m_buffer, m_buffer + i);
            if (i < m_held) {
                RemoveBufferedData(i + 1);
                break;
            }
            RemoveBufferedData(i);
        } else {
            int units = m_held / 2;
            if (units == 0) {
                // A lone byte at the end of the data: no character.
                Flush();
                break;
            }
            int i = 0;
            auto unitAt = [this](int k) { return static_cast<char16_t>(m_buffer[2 * k] | (m_buffer[2 * k + 1] << 8)); };
            while (i < units && unitAt(i) != u'\n')
                line.push_back(unitAt(i++));
            if (i < units) {
                RemoveBufferedData(2 * i + 2);
                break;
            }
            // An odd last byte stays for the next fill.
            RemoveBufferedData(2 * units);
        }
    }
    std::wstring text = utf::FromUtf16(line.data(), line.size());
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t ch : text)
        if (ch != L'\r')
            result.push_back(ch);
    return CString(result.c_str());
}

} // namespace morvane
