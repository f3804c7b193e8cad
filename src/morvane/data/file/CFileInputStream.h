#pragma once
#include <cstdio>
#include "morvane/api/CString.h"
#include "morvane/data/CInputStream.h"

namespace morvane {

// Reads a file through the C library. Caps 7 while open (no flush), 0 while
// closed. The length is measured once, when the file is opened.
class MORVANE_API CFileInputStream : public CInputStreamImpl<IFileInputStream> {
public:
    CFileInputStream();
    ~CFileInputStream() override;

    // Throws CFileAccessException "Cannot open '<path>' for reading".
    void Open(const wchar_t* path) override;
    void Close() override;
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    bool Eof() override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    using CInputStreamImpl::Read;
    void Skip(std::uint64_t count) override;

    const CString& GetPath() const { return m_path; }

private:
    std::FILE* m_file = nullptr;
    std::uint64_t m_length = 0;
    CString m_path;
};

} // namespace morvane
