#pragma once
#include <cstdint>
#include <vector>
#include "morvane/data/CInputStreamFilter.h"
#include "morvane/data/filters/IPcmFilters.h"

namespace morvane {

// Finds the chunks of a RIFF/WAVE source when it connects and reads one of
// them at a time. With a chunk selected, positions, the length and the end
// are those of the chunk; with none, the source is read as it is.
class MORVANE_API CWavChunkDecoder : public CInputStreamFilterImpl<IWavChunkDecoder> {
public:
    CWavChunkDecoder();

    // The source must seek and tell; CDataFormatException "Seek unsupported",
    // "Tell unsupported" or "Invalid header" leave the decoder unconnected.
    void Connect(IInputStream* source) override;
    void Disconnect() override;
    void SelectChunk(const char* name) override;

    bool Eof() override;
    std::uint64_t GetLength() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    using CInputStreamFilterImpl::Read;
    void Skip(std::uint64_t count) override;

private:
    struct TChunk {
        char name[4];
        std::uint64_t position; // of the chunk's data
        std::uint64_t size;
    };

    std::vector<TChunk> m_chunks;
    const TChunk* m_current = nullptr;
    std::uint64_t m_offset = 0; // position in the current chunk
};

} // namespace morvane
