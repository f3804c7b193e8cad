#pragma once
#include <cstdint>
#include <vector>
#include "morvane/api/CObjectImpl.h"
#include "morvane/data/IMediaSample.h"
#include "morvane/data/TDataFormat.h"

namespace morvane {

// The common state of the two sample classes.
template <class I>
class MORVANE_API CMediaSampleImpl : public CObjectImpl<I> {
public:
    void* GetPointer() override { return m_pointer; }
    std::uint64_t GetSize() override { return m_size; }
    std::uint64_t GetDataLength() override { return m_length; }
    void SetDataLength(std::uint64_t length) override;
    const TDataFormat* GetFormat() override { return m_format.Get(); }
    void SetFormat(const TDataFormat* format) override { m_format.Assign(format, L"morvane::CMediaSample::SetFormat"); }

protected:
    explicit CMediaSampleImpl(const CId& classId) : CObjectImpl<I>(classId) {}
    IObject* FindInterface(const CId& id) override
    {
        return CObjectImpl<I>::template AnswerFor<I, IMediaSample>(this, id);
    }

    void* m_pointer = nullptr;
    std::uint64_t m_size = 0;
    std::uint64_t m_length = 0;
    CFormatCopy m_format;
};

// A media sample over memory that its user provides and keeps alive.
class MORVANE_API CMediaSample : public CMediaSampleImpl<IMediaSample> {
public:
    CMediaSample();
    void SetBuffer(void* pointer, std::uint64_t size);
};

// A media sample that owns its memory.
class MORVANE_API CSwBufferMediaSample : public CMediaSampleImpl<ISwBufferMediaSample> {
public:
    CSwBufferMediaSample();
    void Allocate(std::uint64_t size) override;

private:
    std::vector<std::uint8_t> m_memory;
};

} // namespace morvane

namespace morvane {
extern template class CMediaSampleImpl<IMediaSample>;
extern template class CMediaSampleImpl<ISwBufferMediaSample>;
} // namespace morvane
