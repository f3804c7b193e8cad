#pragma once
#include <cstdint>
#include "morvane/data/CReader.h"

namespace morvane {

// A reader with a byte buffer in front of its stream. Tell is the position of
// the next byte not yet taken from the buffer.
class MORVANE_API CBufferedReader : public CReader {
public:
    ~CBufferedReader() override;
    CBufferedReader(const CBufferedReader&) = delete;
    CBufferedReader& operator=(const CBufferedReader&) = delete;

    // True only when nothing is held and the stream is at its end.
    bool Eof() override;
    // Drops what is held, then seeks the stream.
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    // Drops the bytes held.
    virtual void Flush();

protected:
    CBufferedReader(IInputStream* stream, int capacity);

    // Reads from the stream into the free space behind the held bytes.
    virtual void FillBuffer();
    // Takes count bytes from the front of the buffer.
    virtual void RemoveBufferedData(int count);

    std::uint8_t* m_buffer;
    int m_capacity;
    int m_held;
};

} // namespace morvane
