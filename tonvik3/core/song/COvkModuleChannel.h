#pragma once
#include <cstdint>
#include <vector>
#include "core/song/TOvkEffect.h"
#include "core/song/TOvkEnvelope.h"
#include "core/song/TOvkOscillator.h"

namespace morvane {
class IInputStream;
class IOutputStream;
class CVarReader;
} // namespace morvane

namespace ovk {

// One channel's instrument and mix settings. carriers and modulators always
// have the same length: modulator i belongs to carrier i.
class COvkModuleChannel {
public:
    COvkModuleChannel() { Reset(); }

    // Volume 100, one default carrier and modulator, no effects, the channel envelope.
    void Reset();

    // Adds, removes and moves a carrier together with its modulator.
    void AddPair(const TOvkOscillator& carrier, const TOvkOscillator& modulator);
    void InsertPair(std::size_t index, const TOvkOscillator& carrier, const TOvkOscillator& modulator);
    void RemovePair(std::size_t index);
    void MovePair(std::size_t from, std::size_t to);

    // The modulator of carrier i; a default record where a damaged file left
    // fewer modulators than carriers.
    const TOvkOscillator& ModulatorOf(std::size_t i) const;

    // Instrument files (.tonviki): header dispatch, both body versions, and
    // the current version's writer.
    void Load(morvane::IInputStream* stream);
    void LoadVersion3(morvane::CVarReader& reader);
    void LoadVersion2(morvane::CVarReader& reader);
    void Save(morvane::IOutputStream* stream) const;

    bool operator==(const COvkModuleChannel&) const = default;

    std::int32_t volume = 100;  // 1/256 steps
    std::vector<TOvkOscillator> carriers;
    std::vector<TOvkOscillator> modulators;
    std::vector<TOvkEffect> effects;  // in chain order
    TOvkEnvelope envelope;
};

} // namespace ovk
