#pragma once

namespace ovk {

class COvkModuleData;

// True when the delay lines that the song's effects ask for (at the song's
// tempo) do not all fit in CEffectLineBudget::kBytes: a player then plays
// the effects whose lines do not fit as if they were not there.
bool EffectLinesOverBudget(const COvkModuleData& song);

// What tonvik3-cli info and render, and the editor, say once about such a song.
inline constexpr const char kEffectLinesOverBudgetMessage[] =
    "Some delay or flange effects of this song need more memory than a song may use (512 MiB); those that do not "
    "fit play as if they were not there.";

} // namespace ovk
