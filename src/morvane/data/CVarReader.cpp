#include "morvane/data/CVarReader.h"

#include <bit>
#include <string>

#include "morvane/api/CException.h"
#include "morvane/api/Utf.h"
#include "morvane/data/IStream.h"

namespace morvane {

static_assert(std::endian::native == std::endian::little);

namespace {

// Strings of a stream of unknown length are read in pieces of this many
// units, so a damaged count costs no more memory than the data delivered.
constexpr std::uint64_t kStringChunkUnits = 32 * 1024;

} // namespace

CVarReader::CVarReader(IInputStream* stream) : CReader(stream) {}

std::uint64_t CVarReader::ReadBytes(void* data, std::uint64_t size) { return m_stream->Read(data, size); }

CVarReader& CVarReader::operator>>(bool& value)
{
    // Through a byte: any nonzero byte is true, and nothing read leaves the value.
    unsigned char byte = value ? 1 : 0;
    ReadBytes(&byte, 1);
    value = byte != 0;
    return *this;
}

CVarReader& CVarReader::operator>>(CString& text)
{
    std::uint32_t count = 0;
    if (ReadBytes(&count, sizeof count) < sizeof count)
        return *this;

    std::u16string units;
    const unsigned int lengthKnown = STREAM_CAN_GET_LENGTH | STREAM_CAN_TELL;
    if ((m_stream->GetCaps() & lengthKnown) == lengthKnown) {
        std::uint64_t length = m_stream->GetLength();
        std::uint64_t position = m_stream->Tell();
        std::uint64_t left = length > position ? length - position : 0;
        if (static_cast<std::uint64_t>(count) * 2 > left)
            MRV_THROW(CDataFormatException, L"morvane::CVarReader::operator>>", L"Invalid data format");
        units.resize(count);
        if (count > 0)
            units.resize(static_cast<std::size_t>(ReadBytes(units.data(), std::uint64_t{count} * 2) / 2));
    } else {
        std::uint64_t wanted = count;
        while (wanted > 0) {
            std::uint64_t piece = wanted < kStringChunkUnits ? wanted : kStringChunkUnits;
            std::size_t at = units.size();
            units.resize(at + static_cast<std::size_t>(piece));
            std::uint64_t got = ReadBytes(units.data() + at, piece * 2) / 2;
            units.resize(at + static_cast<std::size_t>(got));
            if (got < piece)
                break;
            wanted -= piece;
        }
    }
    std::wstring wide = utf::FromUtf16(units.data(), units.size());
    text = wide.c_str();
    return *this;
}

#define MRV_READ_PLAIN(Type)                        \
    CVarReader& CVarReader::operator>>(Type& value) \
    {                                               \
        ReadBytes(&value, sizeof value);            \
        return *this;                               \
    }

MRV_READ_PLAIN(double)
MRV_READ_PLAIN(float)
MRV_READ_PLAIN(unsigned long)
MRV_READ_PLAIN(long)
MRV_READ_PLAIN(unsigned long long)
MRV_READ_PLAIN(long long)
MRV_READ_PLAIN(unsigned char)
MRV_READ_PLAIN(char)
MRV_READ_PLAIN(unsigned short)
MRV_READ_PLAIN(short)
MRV_READ_PLAIN(unsigned int)
MRV_READ_PLAIN(int)

#undef MRV_READ_PLAIN

} // namespace morvane
