#pragma once
#include "morvane/data/filters/CPcmConverter.h"
#include "morvane/data/filters/IPcmFilters.h"

namespace morvane {

// Delivers the source, decoded into audio PCM, in the sample format set
// (signed 16-bit until another is set).
class MORVANE_API CAudioPcmSampleFormatConverter : public CPcmConverterImpl<IAudioPcmSampleFormatConverter> {
public:
    CAudioPcmSampleFormatConverter();
    void SetSampleFormat(std::uint32_t sampleFormat) override;
    std::uint32_t GetSampleFormat() override { return m_target; }

protected:
    bool Accepts(const TDataFormat_AudioPcm& source) const override;
    TDataFormat_AudioPcm OutputFormat(const TDataFormat_AudioPcm& source) const override;
    std::uint64_t SourceUnit() const override;
    std::uint64_t OutputUnit() const override;
    void Convert(const std::uint8_t* source, std::uint8_t* target, std::size_t units) const override;

private:
    std::uint32_t m_target = SAMPLE_FORMAT_S16;
};

} // namespace morvane
