#pragma once
#include <cstdint>
#include "morvane/api/CObjectImpl.h"
#include "morvane/data/IStream.h"

namespace morvane {

// The answers of an output stream that does nothing; concrete output streams
// keep them for what they do not support.
template <class I = IOutputStream>
class COutputStreamImpl : public CObjectImpl<I> {
public:
    void Close() override {}
    unsigned int GetCaps() override { return STREAM_CAN_SEEK | STREAM_CAN_TELL | STREAM_CAN_FLUSH; }
    std::uint64_t GetLength() override { return 0; }
    void Flush() override {}
    void Seek(std::uint64_t) override {}
    std::uint64_t Tell() override { return 0; }
    void SetProperty(const void*) override {}
    std::uint64_t Write(const void*, std::uint64_t) override { return 0; }

protected:
    explicit COutputStreamImpl(const CId& classId) : CObjectImpl<I>(classId) {}

    IObject* FindInterface(const CId& id) override
    {
        return CObjectImpl<I>::template AnswerFor<I, IOutputStream, IStream>(this, id);
    }
};

// The do-nothing output stream: caps 11, swallows nothing and reports 0 written.
class MORVANE_API COutputStream : public COutputStreamImpl<IOutputStream> {
public:
    COutputStream();
};

} // namespace morvane
