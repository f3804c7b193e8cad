#pragma once
#include <functional>

namespace morvane {
class IOutputStream;
}

namespace ovk {

// Writes a file so that a failure never destroys the file it replaces: write
// gets a stream on a new temporary file in the target's folder, which is
// renamed over the target only when every byte has been written and flushed.
// If write throws, or the file cannot be completed, the temporary file is
// removed, the target is left as it was, and the exception reaches the caller.
// A target that is a symbolic link keeps the link: the file it points to is
// replaced. An existing target's permissions carry over to the new file; a
// target that may not be written is refused (CFileAccessException), as
// writing it in place would be.
void WriteFileAtomically(const wchar_t* path, const std::function<void(morvane::IOutputStream*)>& write);

} // namespace ovk
