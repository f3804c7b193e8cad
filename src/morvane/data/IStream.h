#pragma once
#include <cstdint>
#include "morvane/api/IObject.h"

namespace morvane {

struct TDataFormat;
class IMediaSample;

// What a stream supports, as GetCaps reports it.
enum TStreamCaps : unsigned int {
    STREAM_CAN_SEEK = 1,
    STREAM_CAN_TELL = 2,
    STREAM_CAN_GET_LENGTH = 4,
    STREAM_CAN_FLUSH = 8,
};

class MORVANE_API IStream : public IObject {
public:
    static constexpr CId kIid{0x22C30DFF, 0xBD4042C7, 0xAAC861B7, 0xBEB00D39};
    // Releases what the stream is bound to; a closed stream reports no capabilities.
    virtual void Close() = 0;
    virtual unsigned int GetCaps() = 0;
    virtual std::uint64_t GetLength() = 0;
    virtual void Flush() = 0;
    virtual void Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Tell() = 0;

protected:
    ~IStream() = default;
};

class MORVANE_API IInputStream : public IStream {
public:
    static constexpr CId kIid{0xE3105CB8, 0xCEBD4B10, 0x829C75B7, 0x76ACBBB3};
    virtual bool Eof() = 0;
    // A stream of no known format reports the null format (null id, size 20).
    virtual const TDataFormat* GetFormat() = 0;
    virtual void Read(IMediaSample* sample) = 0;
    // Bytes delivered; fewer than asked means the end was reached.
    virtual std::uint64_t Read(void* buffer, std::uint64_t count) = 0;
    // A one-pointer query that every stream answers with false.
    virtual bool HasProperty(const void* property) = 0;
    virtual void Skip(std::uint64_t count) = 0;

protected:
    ~IInputStream() = default;
};

class MORVANE_API IOutputStream : public IStream {
public:
    static constexpr CId kIid{0x52EA12BA, 0x7E5D408D, 0x8E0B8BF7, 0x6DA4B54A};
    // A one-pointer operation that every output stream ignores.
    virtual void SetProperty(const void* property) = 0;
    virtual std::uint64_t Write(const void* buffer, std::uint64_t count) = 0;

protected:
    ~IOutputStream() = default;
};

// An input stream that reads another one, its source.
class MORVANE_API IInputStreamFilter : public IInputStream {
public:
    static constexpr CId kIid{0x60A36D1A, 0x010B4DAA, 0x840BBFB2, 0xEAE35868};
    virtual void Connect(IInputStream* source) = 0;
    virtual void Disconnect() = 0;
    // The source with one added reference, or null.
    virtual IInputStream* GetSource() = 0;

protected:
    ~IInputStreamFilter() = default;
};

class MORVANE_API IOutputStreamFilter : public IOutputStream {
public:
    static constexpr CId kIid{0xF707CD17, 0x548A42AA, 0xAAE8930B, 0x9F2F32E3};
    virtual void Connect(IOutputStream* target) = 0;
    virtual void Disconnect() = 0;
    virtual IOutputStream* GetSource() = 0;

protected:
    ~IOutputStreamFilter() = default;
};

class MORVANE_API IFileInputStream : public IInputStream {
public:
    static constexpr CId kIid{0x1B25AD54, 0xCF004351, 0x88BE2EA8, 0x6F49482D};
    virtual void Open(const wchar_t* path) = 0;

protected:
    ~IFileInputStream() = default;
};

class MORVANE_API IFileOutputStream : public IOutputStream {
public:
    static constexpr CId kIid{0x6E1F3A52, 0x9C0B4F7D, 0xB2D4A8E1, 0x3F5C7A90};
    virtual void Open(const wchar_t* path, bool append) = 0;

protected:
    ~IFileOutputStream() = default;
};

} // namespace morvane
