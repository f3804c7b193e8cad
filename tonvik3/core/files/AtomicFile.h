#pragma once
#include <functional>
#include <memory>
#include <string>

namespace morvane {
class IOutputStream;
}

namespace ovk {

// A file written aside and put in place of its target only when it is
// complete, so that a failure never destroys the file it replaces.
//
// The bytes go to a temporary file in the target's folder: where the file
// system allows it a file without a name (O_TMPFILE), which vanishes by itself
// if the process is killed, else a hidden ".NAME.XXXXXX.tmp". Commit flushes
// and syncs it and renames it over the target; destroying the object without
// a commit, or a failed commit, removes it and leaves the target as it was.
// A target that is a symbolic link keeps the link: the file it points to is
// replaced. An existing target's permissions carry over to the new file; a
// target that may not be written is refused (CFileAccessException), as
// writing it in place would be. A target that exists but is no regular file
// (/dev/stdout, a named pipe) is written directly. Failures carry the
// system's reason.
class CAtomicFile {
public:
    explicit CAtomicFile(const wchar_t* path);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // The stream on the temporary file (borrowed; valid until Commit or the end).
    morvane::IOutputStream* Stream();
    // Puts the written file in place of the target; throws when it cannot.
    void Commit();

private:
    struct TBody;
    std::unique_ptr<TBody> m_body;
};

// Writes path through a CAtomicFile: write gets its stream; when write
// returns the file is committed, when it throws the target stays as it was
// and the exception reaches the caller.
void WriteFileAtomically(const wchar_t* path, const std::function<void(morvane::IOutputStream*)>& write);

} // namespace ovk
