#pragma once
#include <cstdint>
#include <vector>
#include "morvane/api/CId.h"
#include "morvane/api/MorvaneApi.h"

namespace morvane {

// Common head of every data-format record.
struct TDataFormat {
    CId formatId;
    std::uint32_t size; // bytes of the whole record
};
static_assert(sizeof(TDataFormat) == 20);

// The record that streams of no known format report: null id, size 20.
MORVANE_API const TDataFormat* GetNullFormat();

// A private copy of a format record, as many bytes as its size field says:
// records of every kind are kept without knowing their type.
class MORVANE_API CFormatCopy {
public:
    // Null forgets the copy. A size field below 20 or above 64 KiB is damage:
    // CInvalidParameterException "Invalid data format size" from method.
    void Assign(const TDataFormat* format, const wchar_t* method);
    // The copy, or the null format while there is none.
    const TDataFormat* Get() const;

private:
    std::vector<std::uint8_t> m_bytes;
};

constexpr CId kAudioPcmFormatId{0x47A8ECCB, 0x40364B9F, 0xA014B125, 0x721626DF};

// Sample formats of TDataFormat_AudioPcm.
enum TAudioSampleFormat : std::uint32_t {
    SAMPLE_FORMAT_U8 = 0,
    SAMPLE_FORMAT_S16 = 1,
    SAMPLE_FORMAT_S32 = 2,
    SAMPLE_FORMAT_FLOAT = 3,
};

// Interleaved PCM audio.
struct MORVANE_API TDataFormat_AudioPcm : TDataFormat {
    std::uint32_t sampleFormat;
    std::uint32_t channels;
    std::uint32_t samplesPerSecond;

    std::uint32_t GetSampleSize() const;
    std::uint32_t GetBlockSize() const;
    std::uint32_t GetBytesPerSec() const;
    std::uint8_t GetZeroByte() const;
    float SampleToTime(std::uint64_t sample) const;
    std::int64_t TimeToSample(float seconds) const;
    std::int64_t TimeToByte(float seconds) const;
    float ByteToTime(std::uint64_t byte) const;
};
static_assert(sizeof(TDataFormat_AudioPcm) == 32);

constexpr TDataFormat_AudioPcm MakeAudioPcmFormat(std::uint32_t sampleFormat, std::uint32_t channels,
                                                  std::uint32_t samplesPerSecond)
{
    TDataFormat_AudioPcm f{};
    f.formatId = kAudioPcmFormatId;
    f.size = 32;
    f.sampleFormat = sampleFormat;
    f.channels = channels;
    f.samplesPerSecond = samplesPerSecond;
    return f;
}

MORVANE_API extern const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_MONO;
MORVANE_API extern const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_STEREO;
MORVANE_API extern const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_51;

} // namespace morvane
