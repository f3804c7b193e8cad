#pragma once
#include <atomic>
#include <functional>
#include "core/module/IOvkModule.h"
#include "core/song/COvkModuleData.h"
#include "morvane/api/CObjectImpl.h"
#include "morvane/system/CReadWriteLock.h"

namespace ovk {

namespace clsid {
constexpr morvane::CId COvkModule{0x0AEA7BA7, 0x57AD4F96, 0xB863B4CF, 0xAD05F98B};
} // namespace clsid

// The song object: owns the one COvkModuleData, created as a new song.
class COvkModule : public morvane::CObjectImpl<IOvkModule> {
public:
    // Called after every counted change of any module, on the thread that
    // unlocked; the editor marks its document modified there.
    using TModifiedHook = std::function<void(IOvkModule* module)>;
    // Installs the hook (an empty one removes it) and returns the previous one.
    static TModifiedHook SetModifiedHook(TModifiedHook hook);

    COvkModule();

    COvkModuleData* Lock(morvane::TLockMode mode) override;
    void Unlock() override;
    std::uint32_t GetChangeCount() override;

protected:
    ~COvkModule() override = default;
    morvane::IObject* FindInterface(const morvane::CId& interfaceId) override;

private:
    COvkModuleData m_data;
    morvane::CReadWriteLock m_lock;
    std::atomic<std::uint32_t> m_changeCount{1};
};

} // namespace ovk
