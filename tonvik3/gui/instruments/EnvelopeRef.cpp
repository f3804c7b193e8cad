#include "gui/instruments/EnvelopeRef.h"

namespace ovk {

TOvkEnvelope* TEnvelopeRef::Find(COvkModuleData& song) const
{
    if (channel < 0 || channel >= kChannels)
        return nullptr;
    COvkModuleChannel& c = song.channels[channel];
    const auto i = static_cast<std::size_t>(index);
    switch (kind) {
    case CHANNEL:
        return &c.envelope;
    case CARRIER_VOLUME:
        return index >= 0 && i < c.carriers.size() ? &c.carriers[i].volumeEnvelope : nullptr;
    case CARRIER_TRANSPOSE:
        return index >= 0 && i < c.carriers.size() ? &c.carriers[i].transposeEnvelope : nullptr;
    case MODULATOR_VOLUME:
        return index >= 0 && i < c.modulators.size() ? &c.modulators[i].volumeEnvelope : nullptr;
    case MODULATOR_TRANSPOSE:
        return index >= 0 && i < c.modulators.size() ? &c.modulators[i].transposeEnvelope : nullptr;
    case EFFECT_A:
        return index >= 0 && i < c.effects.size() ? &c.effects[i].envelopeA : nullptr;
    case EFFECT_B:
        return index >= 0 && i < c.effects.size() ? &c.effects[i].envelopeB : nullptr;
    }
    return nullptr;
}

} // namespace ovk
