#pragma once
#include <cstdint>

// Integer arithmetic of the synthesizer: 32-bit two's-complement values that
// wrap around, arithmetic right shifts and division truncating toward zero.
// Wrapping is done on unsigned values so that no signed overflow happens.
// (Functions with vector loops run them through OnVectorPath, VectorPath.h.)

// The lanes of a and b (eight 32-bit lanes each) picked by constant indices,
// 0-7 from a and 8-15 from b, as GCC and clang each spell it.
#if defined(__clang__)
#define TONVIK_SHUFFLE2(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define TONVIK_SHUFFLE2(a, b, ...) __builtin_shuffle(a, b, ::ovk::TLaneIndex{__VA_ARGS__})
#endif

namespace ovk {

// The index vector of TONVIK_SHUFFLE2 under GCC.
using TLaneIndex = std::int32_t __attribute__((vector_size(32)));

inline std::int32_t WrapAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t WrapSub(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

inline std::int32_t WrapMul(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

inline std::int32_t WrapNeg(std::int32_t a) { return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a)); }

// a / b truncating toward zero; the one overflowing case (minimum / -1) wraps
// instead of trapping. b must not be 0.
inline std::int32_t DivTrunc(std::int32_t a, std::int32_t b) { return b == -1 ? WrapNeg(a) : a / b; }

// The parabolic sine: +128 at (p >> 8) & 255 = 64, 0 at 0 and 128, -128 at 192.
constexpr std::int32_t ShapeW(std::int32_t p)
{
    const std::int32_t t = ((p >> 8) & 255) - 128;
    const std::int32_t magnitude = t < 0 ? -t : t;
    return ((magnitude * t) >> 5) - 4 * t;
}

// The envelope shape: ShapeW lifted to 0 ... 256.
constexpr std::int32_t ShapeF(std::int32_t p) { return ShapeW(p) + 128; }

} // namespace ovk
