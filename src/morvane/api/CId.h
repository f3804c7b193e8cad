#pragma once
#include <cstdint>
#include <string>
#include "morvane/api/MorvaneApi.h"

namespace morvane {

// Class and interface identifier: four unsigned 32-bit words, written as
// {XXXXXXXX,XXXXXXXX,XXXXXXXX,XXXXXXXX} in upper-case hexadecimal.
class MORVANE_API CId {
public:
    constexpr CId() : w{0, 0, 0, 0} {}
    constexpr CId(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) : w{w0, w1, w2, w3} {}
    // Every hexadecimal digit fills the next of 32 slots; anything else is skipped.
    explicit CId(const wchar_t* text);
    explicit CId(const char* text);
    constexpr CId(const CId&) = default;
    constexpr CId& operator=(const CId&) = default;

    static constexpr CId Null() { return CId(); }

    constexpr bool operator==(const CId& o) const
    {
        return w[0] == o.w[0] && w[1] == o.w[1] && w[2] == o.w[2] && w[3] == o.w[3];
    }
    constexpr bool operator!=(const CId& o) const { return !(*this == o); }
    constexpr bool operator<(const CId& o) const { return Compare(o) < 0; }
    constexpr bool operator<=(const CId& o) const { return Compare(o) <= 0; }
    constexpr bool operator>(const CId& o) const { return Compare(o) > 0; }
    constexpr bool operator>=(const CId& o) const { return Compare(o) >= 0; }

    std::wstring ToString() const;

    std::uint32_t w[4];

private:
    constexpr int Compare(const CId& o) const
    {
        for (int i = 0; i < 4; ++i)
            if (w[i] != o.w[i])
                return w[i] < o.w[i] ? -1 : 1;
        return 0;
    }
};

} // namespace morvane
