#pragma once
#include "morvane/api/CString.h"
#include "morvane/data/CBufferedReader.h"
#include "morvane/data/TextFormats.h"

namespace morvane {

// Reads lines of 8-bit or UTF-16LE text through a 1024-byte buffer.
class MORVANE_API CTextReader : public CBufferedReader {
public:
    CTextReader(IInputStream* stream, TCharFormat charFormat);

    // The next line without its line feed and without any carriage return;
    // lines longer than the buffer are gathered over several fills. At the
    // end of the data the result is empty: callers test Eof.
    virtual CString ReadLine();

    TCharFormat GetCharFormat() const { return m_charFormat; }

private:
    TCharFormat m_charFormat;
};

} // namespace morvane
