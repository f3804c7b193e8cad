#include "core/module/CoreClasses.h"

#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "morvane/api/FrameworkRegistry.h"

namespace ovk {

void RegisterCoreClasses()
{
    morvane::RegisterClassOf<COvkModule>(clsid::COvkModule, L"ovk::COvkModule");
    morvane::RegisterClassOf<COvkModulePlayer>(clsid::COvkModulePlayer, L"ovk::COvkModulePlayer");
}

} // namespace ovk
