#pragma once
#include <cstdint>
#include "morvane/api/IObject.h"

namespace morvane {

struct TDataFormat;

// A buffer for one sample read: its memory, how much of it holds data, and
// the format of that data. No stream of the system reads into one.
class MORVANE_API IMediaSample : public IObject {
public:
    static constexpr CId kIid{0x2DA6B640, 0x211E4513, 0xA04CAAF0, 0x831601D2};
    virtual void* GetPointer() = 0;
    // Capacity in bytes.
    virtual std::uint64_t GetSize() = 0;
    virtual std::uint64_t GetDataLength() = 0;
    // More than the capacity: CInvalidParameterException.
    virtual void SetDataLength(std::uint64_t length) = 0;
    virtual const TDataFormat* GetFormat() = 0;
    virtual void SetFormat(const TDataFormat* format) = 0;

protected:
    ~IMediaSample() = default;
};

// A media sample that owns its memory.
class MORVANE_API ISwBufferMediaSample : public IMediaSample {
public:
    static constexpr CId kIid{0xDD26FE1D, 0x4A1C43D6, 0xB9CB618F, 0xC1057F72};
    // Replaces the memory with size zeroed bytes; no data held after.
    virtual void Allocate(std::uint64_t size) = 0;

protected:
    ~ISwBufferMediaSample() = default;
};

} // namespace morvane
