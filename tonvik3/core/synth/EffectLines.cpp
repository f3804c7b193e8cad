#include "core/synth/EffectLines.h"

#include "core/song/COvkModuleData.h"
#include "core/synth/COvkEffectState.h"

namespace ovk {

bool EffectLinesOverBudget(const COvkModuleData& song)
{
    // The same order in which a player hands out the lines.
    CEffectLineBudget budget;
    const std::uint32_t rowLength = song.RowLength();
    for (const COvkModuleChannel& channel : song.channels)
        for (const TOvkEffect& effect : channel.effects)
            budget.Take(COvkEffectState::LineBytes(effect, rowLength));
    return budget.Refused();
}

} // namespace ovk
