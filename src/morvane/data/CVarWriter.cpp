#include "morvane/data/CVarWriter.h"

#include <bit>
#include <string>

#include "morvane/api/Utf.h"
#include "morvane/data/IStream.h"

namespace morvane {

// Values go to the stream in the host's byte order, which must be little-endian.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(long) == 8 && sizeof(long long) == 8 && sizeof(float) == 4 && sizeof(double) == 8);

CVarWriter::CVarWriter(IOutputStream* stream) : CWriter(stream) {}

void CVarWriter::WriteBytes(const void* data, std::uint64_t size) { m_stream->Write(data, size); }

CVarWriter& CVarWriter::operator<<(bool value)
{
    unsigned char byte = value ? 1 : 0;
    WriteBytes(&byte, 1);
    return *this;
}

CVarWriter& CVarWriter::operator<<(const wchar_t* text)
{
    std::u16string units = utf::ToUtf16(text ? text : L"");
    auto count = static_cast<std::uint32_t>(units.size());
    WriteBytes(&count, sizeof count);
    if (count > 0)
        WriteBytes(units.data(), static_cast<std::uint64_t>(count) * 2);
    return *this;
}

CVarWriter& CVarWriter::operator<<(const CString& text) { return *this << text.GetBuffer(); }

#define MRV_WRITE_PLAIN(Type)                          \
    CVarWriter& CVarWriter::operator<<(Type value)     \
    {                                                  \
        WriteBytes(&value, sizeof value);              \
        return *this;                                  \
    }

MRV_WRITE_PLAIN(double)
MRV_WRITE_PLAIN(float)
MRV_WRITE_PLAIN(unsigned long)
MRV_WRITE_PLAIN(long)
MRV_WRITE_PLAIN(unsigned long long)
MRV_WRITE_PLAIN(long long)
MRV_WRITE_PLAIN(unsigned char)
MRV_WRITE_PLAIN(char)
MRV_WRITE_PLAIN(unsigned short)
MRV_WRITE_PLAIN(short)
MRV_WRITE_PLAIN(unsigned int)
MRV_WRITE_PLAIN(int)

#undef MRV_WRITE_PLAIN

} // namespace morvane
