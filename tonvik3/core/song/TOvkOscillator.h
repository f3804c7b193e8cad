#pragma once
#include <cstdint>
#include "core/song/TOvkEnvelope.h"

namespace ovk {

enum TOvkOscillatorType : std::int32_t {
    OSC_SINE = 0,
    OSC_SAW = 1,
    OSC_SQUARE = 2,
    OSC_NOISE = 3,
    OSC_CH1 = 4,    // 4-11: inputs "ch1" ... "ch8"; nothing feeds them, so they are silent
    OSC_MASTER = 12,
};

// One oscillator of a channel's instrument: a carrier (heard) or a modulator
// (frequency-modulates the carrier at the same index).
struct TOvkOscillator {
    std::int32_t type = OSC_SINE;
    std::int32_t volume = 100;  // 1/256 steps
    std::int32_t cents = 0;     // pitch offset from the played note
    bool fmEnabled = false;     // carrier only: pushed by its modulator
    TOvkEnvelope volumeEnvelope;     // multiplies volume (256 = 1.0)
    TOvkEnvelope transposeEnvelope;  // multiplies the phase step (256 = the note's pitch)

    bool operator==(const TOvkOscillator&) const = default;
};

// The name the editor shows for a type; "" for an unknown one.
const char* OscillatorTypeName(std::int32_t type);

} // namespace ovk
