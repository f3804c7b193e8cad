#include "core/synth/CNoiseGenerator.h"

namespace ovk {

std::uint32_t& CNoiseGenerator::State()
{
    // One generator per audio thread: players rendering on the same thread
    // share it, in the order in which they draw.
    thread_local std::uint32_t state = 1;
    return state;
}

} // namespace ovk
