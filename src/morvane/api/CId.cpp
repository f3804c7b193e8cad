#include "morvane/api/CId.h"

#include <cwchar>

namespace morvane {

namespace {

int HexValue(std::uint32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    return -1;
}

template <class Char>
void Parse(const Char* text, std::uint32_t (&w)[4])
{
    int digits = 0;
    for (; text && *text && digits < 32; ++text) {
        int v = HexValue(static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(*text)));
        if (v < 0)
            continue;
        w[digits / 8] |= static_cast<std::uint32_t>(v) << (4 * (7 - digits % 8));
        ++digits;
    }
}

} // namespace

CId::CId(const wchar_t* text) : w{0, 0, 0, 0} { Parse(text, w); }

// Each byte widens to one character; only ASCII hex digits matter.
CId::CId(const char* text) : w{0, 0, 0, 0} { Parse(text, w); }

std::wstring CId::ToString() const
{
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08X,%08X,%08X,%08X}", w[0], w[1], w[2], w[3]);
    return text;
}

} // namespace morvane
