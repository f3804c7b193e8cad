#include "morvane/api/Utf.h"

#include <cstdint>
#include <cwchar>

namespace morvane::utf {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp > 0x10FFFF)
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The code point of one well-formed UTF-8 sequence at p (shortest form, no
// surrogates, at most U+10FFFF) and its length; 0 when the bytes there are
// not one.
int DecodeOne(const unsigned char* p, const unsigned char* end, std::uint32_t& cp)
{
    const std::uint32_t lead = p[0];
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    int length;
    std::uint32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

constexpr std::uint32_t kEscapedByte = 0xDC00;

} // namespace

std::string ToUtf8(const wchar_t* text)
{
    std::string out;
    if (text)
        for (; *text; ++text)
            AppendUtf8(out, static_cast<std::uint32_t>(*text));
    return out;
}

std::string ToUtf8(const std::wstring& text) { return ToUtf8(text.c_str()); }

std::wstring FromUtf8(const std::string& text)
{
    std::wstring out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        std::uint32_t c = *p++;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (c >= 0x80 && c < 0xC0) {
            out.push_back(static_cast<wchar_t>(0xFFFD));
            continue;
        }
        std::uint32_t cp = extra == 3 ? (c & 0x07) : extra == 2 ? (c & 0x0F) : extra == 1 ? (c & 0x1F) : c;
        bool bad = false;
        for (int i = 0; i < extra; ++i) {
            if (p >= end || (*p & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (*p++ & 0x3F);
        }
        out.push_back(static_cast<wchar_t>(bad || cp > 0x10FFFF ? 0xFFFD : cp));
    }
    return out;
}

std::u16string ToUtf16(const wchar_t* text, std::size_t length)
{
    std::u16string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto cp = static_cast<std::uint32_t>(text[i]);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

std::u16string ToUtf16(const wchar_t* text) { return ToUtf16(text, text ? std::wcslen(text) : 0); }

std::wstring FromUtf16(const char16_t* units, std::size_t count)
{
    std::wstring out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            std::uint32_t lo = units[++i];
            out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00)));
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    return out;
}

std::wstring PathFromBytes(const std::string& bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        std::uint32_t cp = 0;
        const int length = DecodeOne(p, end, cp);
        if (length == 0) {
            // Not UTF-8: this byte alone is kept, the next one starts afresh.
            out.push_back(static_cast<wchar_t>(kEscapedByte + *p++));
            continue;
        }
        out.push_back(static_cast<wchar_t>(cp));
        p += length;
    }
    return out;
}

std::string PathToBytes(const wchar_t* path)
{
    std::string out;
    if (!path)
        return out;
    for (; *path; ++path) {
        const auto cp = static_cast<std::uint32_t>(*path);
        if (cp >= kEscapedByte + 0x80 && cp <= kEscapedByte + 0xFF)
            out.push_back(static_cast<char>(cp - kEscapedByte));
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            AppendUtf8(out, 0xFFFD);  // no byte string decodes to any other surrogate
        else
            AppendUtf8(out, cp);
    }
    return out;
}

std::string PathToBytes(const std::wstring& path) { return PathToBytes(path.c_str()); }

} // namespace morvane::utf
