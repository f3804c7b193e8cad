#pragma once
#include "morvane/data/filters/CPcmConverter.h"
#include "morvane/data/filters/IPcmFilters.h"

namespace morvane {

// Delivers the source, decoded into audio PCM, with the number of channels
// set (2 until another is set). Sources of 1, 2 or 6 channels are accepted.
class MORVANE_API CAudioPcmChannelNumberConverter : public CPcmConverterImpl<IAudioPcmChannelNumberConverter> {
public:
    CAudioPcmChannelNumberConverter();
    void SetNumChannels(std::uint32_t channels) override;
    std::uint32_t GetNumChannels() override { return m_target; }

protected:
    bool Accepts(const TDataFormat_AudioPcm& source) const override;
    TDataFormat_AudioPcm OutputFormat(const TDataFormat_AudioPcm& source) const override;
    std::uint64_t SourceUnit() const override;
    std::uint64_t OutputUnit() const override;
    void Convert(const std::uint8_t* source, std::uint8_t* target, std::size_t units) const override;

private:
    std::uint32_t m_target = 2;
};

} // namespace morvane
