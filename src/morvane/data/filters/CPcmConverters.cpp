#include "morvane/api/ClassIds.h"
#include "morvane/data/filters/CAudioPcmChannelNumberConverter.h"
#include "morvane/data/filters/CAudioPcmSampleFormatConverter.h"
#include "morvane/data/filters/PcmKernels.h"

namespace morvane {

namespace {

std::uint32_t SampleSizeOf(std::uint32_t sampleFormat)
{
    TDataFormat_AudioPcm format = MakeAudioPcmFormat(sampleFormat, 1, 1);
    return format.GetSampleSize();
}

} // namespace

// ---- CAudioPcmSampleFormatConverter

CAudioPcmSampleFormatConverter::CAudioPcmSampleFormatConverter()
    : CPcmConverterImpl(clsid::CAudioPcmSampleFormatConverter,
                        {L"morvane::CAudioPcmSampleFormatConverter::Connect",
                         L"morvane::CAudioPcmSampleFormatConverter::Read",
                         L"morvane::CAudioPcmSampleFormatConverter::Seek",
                         L"morvane::CAudioPcmSampleFormatConverter::Tell",
                         L"morvane::CAudioPcmSampleFormatConverter::GetLength",
                         L"morvane::CAudioPcmSampleFormatConverter::Flush",
                         L"morvane::CAudioPcmSampleFormatConverter::Skip"},
                        L"Unsupported format in decoded stream")
{
}

void CAudioPcmSampleFormatConverter::SetSampleFormat(std::uint32_t sampleFormat)
{
    if (SampleSizeOf(sampleFormat) == 0)
        MRV_THROW(CInvalidParameterException, L"morvane::CAudioPcmSampleFormatConverter::SetSampleFormat",
                  L"Unsupported sample format");
    m_target = sampleFormat;
}

bool CAudioPcmSampleFormatConverter::Accepts(const TDataFormat_AudioPcm& source) const
{
    return source.GetSampleSize() != 0;
}

TDataFormat_AudioPcm CAudioPcmSampleFormatConverter::OutputFormat(const TDataFormat_AudioPcm& source) const
{
    TDataFormat_AudioPcm output = source;
    output.sampleFormat = m_target;
    return output;
}

std::uint64_t CAudioPcmSampleFormatConverter::SourceUnit() const { return m_sourceFormat.GetSampleSize(); }

std::uint64_t CAudioPcmSampleFormatConverter::OutputUnit() const { return SampleSizeOf(m_target); }

void CAudioPcmSampleFormatConverter::Convert(const std::uint8_t* source, std::uint8_t* target, std::size_t units) const
{
    pcm::ConvertSamples(source, m_sourceFormat.sampleFormat, target, m_target, units);
}

// ---- CAudioPcmChannelNumberConverter

CAudioPcmChannelNumberConverter::CAudioPcmChannelNumberConverter()
    : CPcmConverterImpl(clsid::CAudioPcmChannelNumberConverter,
                        {L"morvane::CAudioPcmChannelNumberConverter::Connect",
                         L"morvane::CAudioPcmChannelNumberConverter::Read",
                         L"morvane::CAudioPcmChannelNumberConverter::Seek",
                         L"morvane::CAudioPcmChannelNumberConverter::Tell",
                         L"morvane::CAudioPcmChannelNumberConverter::GetLength",
                         L"morvane::CAudioPcmChannelNumberConverter::Flush",
                         L"morvane::CAudioPcmChannelNumberConverter::Skip"},
                        L"Unsupported data format after decoding")
{
}

void CAudioPcmChannelNumberConverter::SetNumChannels(std::uint32_t channels)
{
    if (channels != 1 && channels != 2 && channels != 6)
        MRV_THROW(CInvalidParameterException, L"morvane::CAudioPcmChannelNumberConverter::SetNumChannels",
                  L"Channel amount must be 1, 2 or 6");
    m_target = channels;
}

bool CAudioPcmChannelNumberConverter::Accepts(const TDataFormat_AudioPcm& source) const
{
    return source.GetSampleSize() != 0 && pcm::CanConvertChannels(source.channels, 1);
}

TDataFormat_AudioPcm CAudioPcmChannelNumberConverter::OutputFormat(const TDataFormat_AudioPcm& source) const
{
    TDataFormat_AudioPcm output = source;
    output.channels = m_target;
    return output;
}

std::uint64_t CAudioPcmChannelNumberConverter::SourceUnit() const { return m_sourceFormat.GetBlockSize(); }

std::uint64_t CAudioPcmChannelNumberConverter::OutputUnit() const
{
    return static_cast<std::uint64_t>(m_sourceFormat.GetSampleSize()) * m_target;
}

void CAudioPcmChannelNumberConverter::Convert(const std::uint8_t* source, std::uint8_t* target, std::size_t units) const
{
    pcm::ConvertChannels(source, m_sourceFormat.channels, target, m_target, m_sourceFormat.sampleFormat, units);
}

} // namespace morvane
