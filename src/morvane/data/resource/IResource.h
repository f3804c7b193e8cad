#pragma once
#include <cstdint>
#include "morvane/api/IObject.h"
#include "morvane/data/IStream.h"

namespace morvane {

struct TDataFormat;

// A block of bytes in memory with the format of what it holds. Streams bind
// to it to read or write it.
class MORVANE_API IResource : public IObject {
public:
    static constexpr CId kIid{0x2D087DA3, 0x67F84135, 0xB0560213, 0x09558126};
    virtual const TDataFormat* GetFormat() = 0;
    // Only while the resource is empty: CInvalidStateException "Data format is locked" after.
    virtual void SetFormat(const TDataFormat* format) = 0;
    virtual std::uint64_t GetSize() = 0;
    // Cuts or zero-extends the bytes.
    virtual void SetSize(std::uint64_t size) = 0;
    // Copies up to count bytes from position; returns how many (0 at or past the end).
    virtual std::uint64_t ReadAt(std::uint64_t position, void* buffer, std::uint64_t count) = 0;
    // Writes at position, growing the resource (a gap is filled with zeros).
    virtual std::uint64_t WriteAt(std::uint64_t position, const void* buffer, std::uint64_t count) = 0;

protected:
    ~IResource() = default;
};

// An input stream over a bound resource.
class MORVANE_API IResourceIs : public IInputStream {
public:
    static constexpr CId kIid{0xDA1AEDD4, 0x4EA7425D, 0xB24B9F2A, 0xE1A3877A};
    // Binds (with a reference) and goes to position 0; null unbinds.
    virtual void Bind(IResource* resource) = 0;
    // The bound resource with one added reference, or null.
    virtual IResource* GetResource() = 0;

protected:
    ~IResourceIs() = default;
};

// An output stream into a bound resource.
class MORVANE_API IResourceOs : public IOutputStream {
public:
    static constexpr CId kIid{0x3C6A91E4, 0x58D24B07, 0x9E1F62A3, 0xC47B0D58};
    virtual void Bind(IResource* resource) = 0;
    virtual IResource* GetResource() = 0;

protected:
    ~IResourceOs() = default;
};

} // namespace morvane
