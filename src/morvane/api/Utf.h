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

// File names. Linux takes any bytes but '/' and NUL in a name, whatever the
// encoding, so a path is not always UTF-8. PathFromBytes decodes valid UTF-8
// as usual and keeps each byte b of anything else as the code point
// U+DC00 + b (U+DC80 ... U+DCFF, lone surrogates that valid UTF-8 never
// decodes to); PathToBytes turns those back into their bytes and encodes the
// rest as UTF-8. PathToBytes(PathFromBytes(b)) == b for every byte string b.
// Every path that the framework hands to the system, or gets from it, goes
// through these two.
MORVANE_API std::wstring PathFromBytes(const std::string& bytes);
MORVANE_API std::string PathToBytes(const std::wstring& path);
MORVANE_API std::string PathToBytes(const wchar_t* path);

} // namespace morvane::utf
