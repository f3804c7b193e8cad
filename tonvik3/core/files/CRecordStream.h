#pragma once
#include <cstdint>
#include "morvane/api/CObjectImpl.h"
#include "morvane/api/CRef.h"
#include "morvane/data/IStream.h"

namespace ovk {

// An input stream that reads another one and remembers whether some read
// delivered fewer bytes than asked for. The value reader does not check
// counts, so the file loaders read through this stream to tell a complete
// record from one that the end of a damaged file cut short.
class CRecordStream : public morvane::CObjectImpl<morvane::IInputStream> {
public:
    static constexpr morvane::CId kClassId{0x5A0C3E71, 0x2B9D4F18, 0x8E6A1C07, 0xD43F9B25};

    // A new stream (one reference, owned by the holder) reading source.
    static morvane::CRef<CRecordStream> Wrap(morvane::IInputStream* source);

    // True once some read since the stream was made came short.
    bool CameShort() const { return m_cameShort; }

    void Close() override;
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    bool Eof() override;
    const morvane::TDataFormat* GetFormat() override;
    void Read(morvane::IMediaSample* sample) override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    bool HasProperty(const void* property) override;
    void Skip(std::uint64_t count) override;

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override
    {
        return AnswerFor<morvane::IInputStream, morvane::IStream>(this, id);
    }

private:
    explicit CRecordStream(morvane::IInputStream* source);

    morvane::CRef<morvane::IInputStream> m_source;
    bool m_cameShort = false;
};

} // namespace ovk
