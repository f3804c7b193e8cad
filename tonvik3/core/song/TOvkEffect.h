#pragma once
#include <cstdint>
#include "core/song/TOvkEnvelope.h"

namespace ovk {

enum TOvkEffectType : std::int32_t {
    EFFECT_DELAY = 0,
    EFFECT_FLANGE = 1,
    EFFECT_LOWPASS = 2,
    EFFECT_HIGHPASS = 3,
    EFFECT_RESONANCE = 4,
    EFFECT_OVERDRIVE = 5,
    EFFECT_BANDPASS = 6,
};

// One effect of a channel's chain. A new record is a delay.
struct TOvkEffect {
    std::int32_t type = EFFECT_DELAY;
    TOvkEnvelope envelopeA;
    TOvkEnvelope envelopeB;  // resonance and band-pass only
    std::int32_t p1 = 400;
    std::int32_t p2 = 128;

    bool operator==(const TOvkEffect&) const = default;

    // Chooses a type: applies its defaults to the fields it uses and leaves
    // the others as they were.
    void SetType(std::int32_t newType);
};

// The name the editor shows for a type; "???" for an unknown one.
const char* EffectTypeName(std::int32_t type);

} // namespace ovk
