#pragma once
#include <cstdio>
#include "morvane/api/CString.h"
#include "morvane/data/COutputStream.h"

namespace morvane {

// Writes a file through the C library. Caps 11 while open (seek, tell,
// flush), 0 while closed.
class MORVANE_API CFileOutputStream : public COutputStreamImpl<IFileOutputStream> {
public:
    CFileOutputStream();
    ~CFileOutputStream() override;

    // Appends or truncates; throws CFileAccessException "Cannot open '<path>' for writing".
    void Open(const wchar_t* path, bool append) override;
    void Close() override;
    unsigned int GetCaps() override;
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    std::uint64_t Write(const void* buffer, std::uint64_t count) override;

    const CString& GetPath() const { return m_path; }

private:
    std::FILE* m_file = nullptr;
    CString m_path;
};

} // namespace morvane
