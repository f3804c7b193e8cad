#include "core/module/Playback.h"

#include "core/module/IOvkModulePlayer.h"
#include "morvane/devices/IDevice.h"

namespace ovk {

void PlayFromRow(morvane::IMediaControl& control, IOvkModulePlayer& player, unsigned int row)
{
    control.Stop();
    player.SeekRow(row);
    control.Play();
}

} // namespace ovk
