#pragma once
#include <span>

#include "core/song/COvkModuleChannel.h"

// The instrument library: the sounds a composer of intro music reaches for
// first, each a whole channel (volume, channel envelope, oscillators,
// effects) made with this synth. Written as KIND/NAME.tonviki and installed
// beside the editor, whose Load dialog opens there.
//
// Each is made to sound at any note; the drums are tuned for C-4 and C-5, the
// basses sound best from C-1 to C-3. A stop note lets the sustained sounds
// ring out; the drums ring on regardless, except the open hat, which a stop
// note chokes.
namespace library {

struct TInstrument {
    const char* kind;  // the folder: drums, bass, lead, pad, keys, fx
    const char* name;  // the file name without .tonviki
    ovk::COvkModuleChannel (*make)();
};

std::span<const TInstrument> Instruments();

} // namespace library
