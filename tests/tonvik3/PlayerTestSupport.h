#pragma once
#include <cstdint>
#include <random>
#include <vector>
#include "core/module/COvkModule.h"
#include "core/module/COvkModulePlayer.h"
#include "core/synth/VectorPath.h"
#include "morvane/api/CRef.h"

// Helpers for the synthesizer and player tests: songs built in code and
// players read into sample vectors.
namespace tonvik_test {

using TSamples = std::vector<std::int16_t>;

morvane::CRef<ovk::COvkModule> NewModule();
morvane::CRef<ovk::COvkModulePlayer> NewPlayer(ovk::COvkModule* module);

// Changes the song under the write lock, as the editor does.
template <class TEdit>
void Edit(ovk::COvkModule* module, TEdit edit)
{
    edit(*module->Lock(2));
    module->Unlock();
}

// Reads up to count samples.
TSamples ReadSamples(ovk::COvkModulePlayer* player, std::size_t count);

// Order position 0 of every channel plays pattern 1, and the song data uses
// constant envelopes everywhere (so that the tick schedule does not matter).
void PlainSong(ovk::COvkModuleData& song);

// Renders with a vector path while it lives, then goes back to the path
// that was in use. Available() is false (and nothing changes) when this
// build or machine lacks the path.
class CVectorPathScope {
public:
    explicit CVectorPathScope(ovk::TVectorPath path)
        : m_previous(ovk::ActiveVectorPath()), m_available(ovk::SetVectorPath(path))
    {
    }
    ~CVectorPathScope() { ovk::SetVectorPath(m_previous); }
    CVectorPathScope(const CVectorPathScope&) = delete;
    CVectorPathScope& operator=(const CVectorPathScope&) = delete;
    bool Available() const { return m_available; }

private:
    ovk::TVectorPath m_previous;
    bool m_available;
};
inline const char* VectorPathName(ovk::TVectorPath path) { return path == ovk::TVectorPath::Avx2 ? "Avx2" : "Sse2"; }

// Random songs for comparing ways of rendering: every oscillator type and
// effect, envelopes of every mode, notes, stop notes and values above them
// over three order positions; a few channels have fewer modulators than
// carriers, as a damaged file leaves them.
std::int32_t Between(std::mt19937& random, std::int32_t low, std::int32_t high);
ovk::TOvkOscillator RandomOscillator(std::mt19937& random);
ovk::TOvkEffect RandomEffect(std::mt19937& random);
void RandomSong(std::mt19937& random, ovk::COvkModuleData& song);

} // namespace tonvik_test
