#pragma once
#include <cstddef>
#include <cstdint>

// The per-sample conversions of PCM audio, source and target interleaved.
namespace morvane::pcm {

// Converts count samples from one sample format to another (formats 0-3;
// equal formats copy).
void ConvertSamples(const std::uint8_t* source, std::uint32_t fromFormat, std::uint8_t* target,
                    std::uint32_t toFormat, std::size_t count);

// True when frames of `from` channels can be turned into `to` channels.
bool CanConvertChannels(std::uint32_t from, std::uint32_t to);

// Converts count frames of one sample format from one channel count to another.
void ConvertChannels(const std::uint8_t* source, std::uint32_t fromChannels, std::uint8_t* target,
                     std::uint32_t toChannels, std::uint32_t sampleFormat, std::size_t frames);

} // namespace morvane::pcm
