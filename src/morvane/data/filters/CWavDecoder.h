#pragma once
#include "morvane/api/CRef.h"
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/TDataFormat.h"
#include "morvane/data/filters/CWavChunkDecoder.h"

namespace morvane {

// Delivers the PCM samples of a WAV source (8 or 16 bits, format tag 1) and
// reports their format. Positions and the length are those of the "data" chunk.
class MORVANE_API CWavDecoder : public CInputStreamFilterImpl<IInputStreamFilter> {
public:
    CWavDecoder();
    ~CWavDecoder() override;

    void Connect(IInputStream* source) override;
    void Disconnect() override;
    // The WAV source itself.
    IInputStream* GetSource() override;
    const TDataFormat* GetFormat() override;
    void Skip(std::uint64_t count) override;

private:
    CRef<CWavChunkDecoder> m_chunks;
    TDataFormat_AudioPcm m_format{};
};

} // namespace morvane
