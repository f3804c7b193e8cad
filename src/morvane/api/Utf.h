#pragma once
#include <cstddef>
#include <string>
#include "morvane/api/MorvaneApi.h"

// wchar_t holds whole code points here; files and the operating system see
// UTF-16LE and UTF-8. These conversions are the one place where that happens.
namespace morvane::utf {

// UTF-8 for paths and terminal output; invalid code points become U+FFFD.
MORVANE_API std::string ToUtf8(const wchar_t* text);
MORVANE_API std::string ToUtf8(const std::wstring& text);
MORVANE_API std::wstring FromUtf8(const std::string& text);

// UTF-16 code units: code points above U+FFFF become surrogate pairs.
MORVANE_API std::u16string ToUtf16(const wchar_t* text, std::size_t length);
MORVANE_API std::u16string ToUtf16(const wchar_t* text);
// Paired surrogates join into one code point; a lone surrogate stays as it is.
MORVANE_API std::wstring FromUtf16(const char16_t* units, std::size_t count);

} // namespace morvane::utf
