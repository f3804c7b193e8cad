#include "morvane/data/filters/PcmKernels.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "morvane/data/TDataFormat.h"

namespace morvane::pcm {

namespace {

template <class T>
T Load(const std::uint8_t* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <class T>
void Store(std::uint8_t* p, T value)
{
    std::memcpy(p, &value, sizeof value);
}

// Truncates toward zero into 64 bits without leaving the range (NaN gives 0);
// the caller then cuts the result to the target width.
std::int64_t Truncate(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double kLimit = 4.0e18;
    if (value > kLimit)
        return static_cast<std::int64_t>(kLimit);
    if (value < -kLimit)
        return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(value);
}

// Float to 32-bit: scaled to the full range, saturating at both ends.
std::int32_t FloatToS32(float x)
{
    double scaled = std::trunc(static_cast<double>(x) * 2147483648.0);
    if (std::isnan(scaled))
        return 0;
    if (scaled >= 2147483647.0)
        return INT32_MAX;
    if (scaled <= -2147483648.0)
        return INT32_MIN;
    return static_cast<std::int32_t>(scaled);
}

template <class From, class To, class F>
void Each(const std::uint8_t* source, std::uint8_t* target, std::size_t count, F convert)
{
    for (std::size_t i = 0; i < count; ++i)
        Store<To>(target + i * sizeof(To), convert(Load<From>(source + i * sizeof(From))));
}

} // namespace

void ConvertSamples(const std::uint8_t* source, std::uint32_t fromFormat, std::uint8_t* target,
                    std::uint32_t toFormat, std::size_t count)
{
    using U8 = std::uint8_t;
    using S16 = std::int16_t;
    using S32 = std::int32_t;
    // Shifts of signed values are arithmetic; the integer results of float
    // input outside -1..1 are cut to the target width.
    switch (fromFormat * 4 + toFormat) {
    case SAMPLE_FORMAT_U8 * 4 + SAMPLE_FORMAT_S16:
        return Each<U8, S16>(source, target, count, [](U8 x) { return static_cast<S16>((x - 128) * 256); });
    case SAMPLE_FORMAT_U8 * 4 + SAMPLE_FORMAT_S32:
        return Each<U8, S32>(source, target, count, [](U8 x) { return static_cast<S32>((x - 128) * (1 << 24)); });
    case SAMPLE_FORMAT_U8 * 4 + SAMPLE_FORMAT_FLOAT:
        return Each<U8, float>(source, target, count, [](U8 x) { return static_cast<float>((x - 128) / 128.0); });
    case SAMPLE_FORMAT_S16 * 4 + SAMPLE_FORMAT_U8:
        return Each<S16, U8>(source, target, count, [](S16 x) { return static_cast<U8>((x >> 8) + 128); });
    case SAMPLE_FORMAT_S16 * 4 + SAMPLE_FORMAT_S32:
        return Each<S16, S32>(source, target, count, [](S16 x) { return static_cast<S32>(x * 65536); });
    case SAMPLE_FORMAT_S16 * 4 + SAMPLE_FORMAT_FLOAT:
        return Each<S16, float>(source, target, count, [](S16 x) { return static_cast<float>(x / 32768.0); });
    case SAMPLE_FORMAT_S32 * 4 + SAMPLE_FORMAT_U8:
        return Each<S32, U8>(source, target, count, [](S32 x) { return static_cast<U8>((x >> 24) + 128); });
    case SAMPLE_FORMAT_S32 * 4 + SAMPLE_FORMAT_S16:
        return Each<S32, S16>(source, target, count, [](S32 x) { return static_cast<S16>(x >> 16); });
    case SAMPLE_FORMAT_S32 * 4 + SAMPLE_FORMAT_FLOAT:
        return Each<S32, float>(source, target, count, [](S32 x) { return static_cast<float>(x / 2147483648.0); });
    case SAMPLE_FORMAT_FLOAT * 4 + SAMPLE_FORMAT_U8:
        return Each<float, U8>(source, target, count, [](float x) {
            return static_cast<U8>(static_cast<std::uint64_t>(Truncate((x + 1.0) * 127.5)) & 0xFF);
        });
    case SAMPLE_FORMAT_FLOAT * 4 + SAMPLE_FORMAT_S16:
        return Each<float, S16>(source, target, count, [](float x) {
            return static_cast<S16>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(Truncate(x * 32767.0))));
        });
    case SAMPLE_FORMAT_FLOAT * 4 + SAMPLE_FORMAT_S32:
        return Each<float, S32>(source, target, count, FloatToS32);
    default:
        break;
    }
    // The same format: the bytes as they are.
    if (fromFormat == toFormat) {
        std::size_t size = fromFormat == SAMPLE_FORMAT_U8 ? 1 : fromFormat == SAMPLE_FORMAT_S16 ? 2 : 4;
        std::memmove(target, source, count * size);
    }
}

namespace {

template <class T>
constexpr T Silence()
{
    if constexpr (std::is_same_v<T, std::uint8_t>)
        return 128;
    else
        return 0;
}

// One term of a mix: integers divide one by one, truncating toward zero
// (for unsigned 8-bit samples the same as shifting right); floats divide.
template <class T>
auto Part(T x, int divisor)
{
    if constexpr (std::is_floating_point_v<T>)
        return x / static_cast<T>(divisor);
    else
        return static_cast<std::int64_t>(x) / divisor;
}

template <class T>
T Narrow(auto sum)
{
    return static_cast<T>(sum);
}

template <class T>
void Mix(const std::uint8_t* source, std::uint32_t from, std::uint8_t* target, std::uint32_t to, std::size_t frames)
{
    const std::size_t s = sizeof(T);
    auto in = [&](std::size_t frame, std::size_t channel) { return Load<T>(source + (frame * from + channel) * s); };
    auto out = [&](std::size_t frame, std::size_t channel, T value) { Store<T>(target + (frame * to + channel) * s, value); };
    switch (from * 10 + to) {
    case 12:
    case 16:
        for (std::size_t f = 0; f < frames; ++f) {
            T x = in(f, 0);
            for (std::uint32_t c = 0; c < to; ++c)
                out(f, c, x);
        }
        return;
    case 21:
        for (std::size_t f = 0; f < frames; ++f)
            out(f, 0, Narrow<T>(Part(in(f, 0), 2) + Part(in(f, 1), 2)));
        return;
    case 26:
        for (std::size_t f = 0; f < frames; ++f) {
            out(f, 0, in(f, 0));
            out(f, 1, in(f, 1));
            for (std::uint32_t c = 2; c < 6; ++c)
                out(f, c, Silence<T>());
        }
        return;
    case 61:
        for (std::size_t f = 0; f < frames; ++f) {
            auto sum = Part(in(f, 0), 6);
            for (std::uint32_t c = 1; c < 6; ++c)
                sum += Part(in(f, c), 6);
            out(f, 0, Narrow<T>(sum));
        }
        return;
    case 62:
        // Front left, front right, centre, low frequency, back left, back right.
        for (std::size_t f = 0; f < frames; ++f) {
            auto shared = Part(in(f, 2), 4) + Part(in(f, 3), 4);
            out(f, 0, Narrow<T>(Part(in(f, 0), 4) + shared + Part(in(f, 4), 4)));
            out(f, 1, Narrow<T>(Part(in(f, 1), 4) + shared + Part(in(f, 5), 4)));
        }
        return;
    default:
        if (from == to)
            std::memmove(target, source, frames * from * s);
        return;
    }
}

} // namespace

bool CanConvertChannels(std::uint32_t from, std::uint32_t to)
{
    auto valid = [](std::uint32_t n) { return n == 1 || n == 2 || n == 6; };
    return valid(from) && valid(to);
}

void ConvertChannels(const std::uint8_t* source, std::uint32_t fromChannels, std::uint8_t* target,
                     std::uint32_t toChannels, std::uint32_t sampleFormat, std::size_t frames)
{
    switch (sampleFormat) {
    case SAMPLE_FORMAT_U8:
        return Mix<std::uint8_t>(source, fromChannels, target, toChannels, frames);
    case SAMPLE_FORMAT_S16:
        return Mix<std::int16_t>(source, fromChannels, target, toChannels, frames);
    case SAMPLE_FORMAT_S32:
        return Mix<std::int32_t>(source, fromChannels, target, toChannels, frames);
    case SAMPLE_FORMAT_FLOAT:
        return Mix<float>(source, fromChannels, target, toChannels, frames);
    default:
        return;
    }
}

} // namespace morvane::pcm
