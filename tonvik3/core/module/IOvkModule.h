#pragma once
#include <cstdint>
#include "morvane/api/IObject.h"
#include "morvane/system/CReadWriteLock.h"

namespace ovk {

class COvkModuleData;

// The modes the editor locks a song with: to read it, and to change it (a
// counted change, which marks the document modified).
constexpr morvane::TLockMode kSongRead = morvane::LOCK_MODE_READ;
constexpr morvane::TLockMode kSongWrite = 2;

// A song: its data, handed out only under the module's read/write lock, and
// a change counter that tells players when to read the song again.
class IOvkModule : public morvane::IObject {
public:
    static constexpr morvane::CId kIid{0xCFD3C7C4, 0x612A428D, 0xA83561A0, 0x7462795F};

    // Mode 0 locks for reading, any other mode for writing (the editor writes
    // with 2). Nested locks are allowed. The pointer is the same for every
    // call and must not be kept after the matching Unlock.
    virtual COvkModuleData* Lock(morvane::TLockMode mode) = 0;
    // Releases the calling thread's innermost level; releasing a write level
    // of mode 1 or 2 counts a change.
    virtual void Unlock() = 0;
    // 1 for a new module, one more after every counted change.
    virtual std::uint32_t GetChangeCount() = 0;

protected:
    ~IOvkModule() = default;
};

} // namespace ovk
