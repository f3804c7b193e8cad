#pragma once
#include <cstdint>
#include "morvane/api/CString.h"
#include "morvane/data/CReader.h"

namespace morvane {

// Reads the values that CVarWriter writes, one stream read per value, straight
// into the variable. Delivered byte counts are not checked: at the end of the
// data a value stays partly or wholly as it was, and callers test Eof.
// A string count larger than the data left fails with CDataFormatException
// "Invalid data format" where the stream knows its length; elsewhere the
// string is read in bounded pieces and holds what the stream delivered.
class MORVANE_API CVarReader : public CReader {
public:
    explicit CVarReader(IInputStream* stream);

    CVarReader& operator>>(bool& value);
    CVarReader& operator>>(double& value);
    CVarReader& operator>>(float& value);
    CVarReader& operator>>(CString& text);
    CVarReader& operator>>(unsigned long& value);
    CVarReader& operator>>(long& value);
    CVarReader& operator>>(unsigned long long& value);
    CVarReader& operator>>(long long& value);
    CVarReader& operator>>(unsigned char& value);
    CVarReader& operator>>(char& value);
    CVarReader& operator>>(unsigned short& value);
    CVarReader& operator>>(short& value);
    CVarReader& operator>>(unsigned int& value);
    CVarReader& operator>>(int& value);

private:
    std::uint64_t ReadBytes(void* data, std::uint64_t size);
};

} // namespace morvane
