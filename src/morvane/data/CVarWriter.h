#pragma once
#include <cstdint>
#include "morvane/api/CString.h"
#include "morvane/data/CWriter.h"

namespace morvane {

// Writes plain values little-endian, without tags or padding: one stream
// write per value (two for a string: its count of UTF-16 units, then the units).
class MORVANE_API CVarWriter : public CWriter {
public:
    explicit CVarWriter(IOutputStream* stream);

    CVarWriter& operator<<(bool value);
    CVarWriter& operator<<(double value);
    CVarWriter& operator<<(float value);
    // Counted up to the first NUL; a null pointer writes an empty string.
    CVarWriter& operator<<(const wchar_t* text);
    CVarWriter& operator<<(const CString& text);
    CVarWriter& operator<<(unsigned long value);
    CVarWriter& operator<<(long value);
    CVarWriter& operator<<(unsigned long long value);
    CVarWriter& operator<<(long long value);
    CVarWriter& operator<<(unsigned char value);
    CVarWriter& operator<<(char value);
    CVarWriter& operator<<(unsigned short value);
    CVarWriter& operator<<(short value);
    CVarWriter& operator<<(unsigned int value);
    CVarWriter& operator<<(int value);

private:
    void WriteBytes(const void* data, std::uint64_t size);
};

} // namespace morvane
