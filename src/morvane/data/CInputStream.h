#pragma once
#include <cstdint>
#include "morvane/api/CObjectImpl.h"
#include "morvane/data/IStream.h"

namespace morvane {

// Throw helpers shared by the streams' default answers.
[[noreturn]] MORVANE_API void ThrowNullBuffer(const wchar_t* method);
[[noreturn]] MORVANE_API void ThrowSampleRead(const wchar_t* method, IMediaSample* sample);

// The answers of an input stream of nothing, for every stream that does not
// support an operation. I is the most derived interface the stream offers.
template <class I = IInputStream>
class CInputStreamImpl : public CObjectImpl<I> {
public:
    void Close() override {}
    unsigned int GetCaps() override { return STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_GET_LENGTH | STREAM_CAN_FLUSH; }
    std::uint64_t GetLength() override { return 0; }
    void Flush() override {}
    void Seek(std::uint64_t) override {}
    std::uint64_t Tell() override { return 0; }
    bool Eof() override { return true; }
    const TDataFormat* GetFormat() override;
    // Media samples are read by no stream of the system.
    void Read(IMediaSample* sample) override { ThrowSampleRead(L"morvane::CInputStream::Read", sample); }
    std::uint64_t Read(void* buffer, std::uint64_t) override
    {
        if (!buffer)
            ThrowNullBuffer(L"morvane::CInputStream::Read");
        return 0;
    }
    bool HasProperty(const void*) override { return false; }
    void Skip(std::uint64_t) override {}

protected:
    explicit CInputStreamImpl(const CId& classId) : CObjectImpl<I>(classId) {}

    IObject* FindInterface(const CId& id) override
    {
        return CObjectImpl<I>::template AnswerFor<I, IInputStream, IStream>(this, id);
    }
};

// The do-nothing input stream: caps 15, always at its end.
class MORVANE_API CInputStream : public CInputStreamImpl<IInputStream> {
public:
    CInputStream();
};

} // namespace morvane

#include "morvane/data/TDataFormat.h"

template <class I>
const morvane::TDataFormat* morvane::CInputStreamImpl<I>::GetFormat()
{
    return GetNullFormat();
}
