#include "morvane/data/TDataFormat.h"

#include <cmath>
#include <cstdint>

#include "morvane/api/CException.h"

namespace morvane {

namespace {

const TDataFormat kNullFormat{CId(), 20};

// Truncates toward zero without leaving the 64-bit range (NaN gives 0).
std::int64_t TruncateTo64(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double kLimit = 9.2e18;
    if (value >= kLimit)
        return static_cast<std::int64_t>(kLimit);
    if (value <= -kLimit)
        return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(value);
}

} // namespace

const TDataFormat* GetNullFormat() { return &kNullFormat; }

void CFormatCopy::Assign(const TDataFormat* format, const wchar_t* method)
{
    if (!format) {
        m_bytes.clear();
        return;
    }
    if (format->size < sizeof(TDataFormat) || format->size > 64 * 1024)
        MRV_THROW(CInvalidParameterException, method, L"Invalid data format size");
    auto* bytes = reinterpret_cast<const std::uint8_t*>(format);
    m_bytes.assign(bytes, bytes + format->size);
}

const TDataFormat* CFormatCopy::Get() const
{
    return m_bytes.empty() ? GetNullFormat() : reinterpret_cast<const TDataFormat*>(m_bytes.data());
}

const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_MONO = MakeAudioPcmFormat(SAMPLE_FORMAT_S16, 1, 44100);
const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_STEREO = MakeAudioPcmFormat(SAMPLE_FORMAT_S16, 2, 44100);
const TDataFormat_AudioPcm FORMAT_44100HZ_16BIT_51 = MakeAudioPcmFormat(SAMPLE_FORMAT_S16, 6, 44100);

std::uint32_t TDataFormat_AudioPcm::GetSampleSize() const
{
    switch (sampleFormat) {
    case SAMPLE_FORMAT_U8:
        return 1;
    case SAMPLE_FORMAT_S16:
        return 2;
    case SAMPLE_FORMAT_S32:
    case SAMPLE_FORMAT_FLOAT:
        return 4;
    default:
        return 0;
    }
}

std::uint32_t TDataFormat_AudioPcm::GetBlockSize() const { return GetSampleSize() * channels; }

std::uint32_t TDataFormat_AudioPcm::GetBytesPerSec() const { return GetBlockSize() * samplesPerSecond; }

std::uint8_t TDataFormat_AudioPcm::GetZeroByte() const { return sampleFormat == SAMPLE_FORMAT_U8 ? 0x80 : 0; }

// A format without a rate or a block size has no time: those answer 0
// instead of dividing by zero.
float TDataFormat_AudioPcm::SampleToTime(std::uint64_t sample) const
{
    if (samplesPerSecond == 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(sample) / samplesPerSecond);
}

std::int64_t TDataFormat_AudioPcm::TimeToSample(float seconds) const
{
    return TruncateTo64(static_cast<double>(samplesPerSecond) * seconds);
}

std::int64_t TDataFormat_AudioPcm::TimeToByte(float seconds) const
{
    std::int64_t sample = TimeToSample(seconds);
    std::int64_t byte = 0;
    if (__builtin_mul_overflow(sample, static_cast<std::int64_t>(GetBlockSize()), &byte))
        return sample < 0 ? INT64_MIN : INT64_MAX;
    return byte;
}

float TDataFormat_AudioPcm::ByteToTime(std::uint64_t byte) const
{
    std::uint32_t bytesPerSecond = GetBytesPerSec();
    if (bytesPerSecond == 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(byte) / bytesPerSecond);
}

} // namespace morvane
