#pragma once
#include <cstdint>
#include "morvane/data/IStream.h"

namespace morvane {

struct TDataFormat;

// Delivers its source's PCM in another sample format (TAudioSampleFormat).
class MORVANE_API IAudioPcmSampleFormatConverter : public IInputStreamFilter {
public:
    static constexpr CId kIid{0x9B3E5C21, 0x7D4A4F10, 0xA2C86E35, 0x14F0B97D};
    // CInvalidParameterException "Unsupported sample format" for values above 3.
    virtual void SetSampleFormat(std::uint32_t sampleFormat) = 0;
    virtual std::uint32_t GetSampleFormat() = 0;

protected:
    ~IAudioPcmSampleFormatConverter() = default;
};

// Delivers its source's PCM with another number of channels.
class MORVANE_API IAudioPcmChannelNumberConverter : public IInputStreamFilter {
public:
    static constexpr CId kIid{0x4E81D0A6, 0x2B9C4E53, 0x8F17A4C2, 0x6D0E3B98};
    // 1, 2 or 6; else CInvalidParameterException "Channel amount must be 1, 2 or 6".
    virtual void SetNumChannels(std::uint32_t channels) = 0;
    virtual std::uint32_t GetNumChannels() = 0;

protected:
    ~IAudioPcmChannelNumberConverter() = default;
};

// Reads one chunk of a RIFF/WAVE stream at a time.
class MORVANE_API IWavChunkDecoder : public IInputStreamFilter {
public:
    static constexpr CId kIid{0x0C7F2E94, 0x61A84B3D, 0x9D52F017, 0xB83C6A41};
    // A four-character chunk name, compared without regard to case; null
    // deselects. An unknown name: CObjectNotFoundException "Cannot find chunk".
    virtual void SelectChunk(const char* name) = 0;

protected:
    ~IWavChunkDecoder() = default;
};

// Passes its source through but reports a format record that its user sets.
class MORVANE_API ISetFormatIsf : public IInputStreamFilter {
public:
    static constexpr CId kIid{0xE25B7A03, 0x4C1D4A8E, 0xB7F0932D, 0x5A6E18C4};
    // Copies as many bytes as the record's size field says; null forgets it.
    virtual void SetFormat(const TDataFormat* format) = 0;

protected:
    ~ISetFormatIsf() = default;
};

} // namespace morvane
