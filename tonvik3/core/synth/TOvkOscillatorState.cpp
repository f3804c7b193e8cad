#include "core/synth/TOvkOscillatorState.h"

#include <cmath>
#include <limits>

#include "core/synth/CNoiseGenerator.h"
#include "core/synth/SynthMath.h"

namespace ovk {

std::int32_t NoteIncrement(std::uint32_t note, std::int32_t cents)
{
    // The exponent is summed in double precision with the single-precision
    // hundredth, then rounded to single precision; the power and the
    // frequency are each rounded to single precision once.
    const double sum = static_cast<double>(cents) * static_cast<double>(0.01f) + static_cast<double>(note) - 58.0;
    const float exponent = static_cast<float>(sum / 12.0);
    const float power = static_cast<float>(std::exp2(static_cast<double>(exponent)));
    const float frequency = static_cast<float>(static_cast<double>(power) * 440.0);
    const double increment = std::trunc(static_cast<double>(frequency) / 44100.0 * 65536.0);
    // A pitch beyond 32 bits (absurd cents or note values from a damaged
    // file) takes the value an x86 conversion gives, instead of undefined behaviour.
    if (!(increment >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
          increment <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(increment);
}

void TOvkOscillatorState::Assign(const TOvkOscillator& record)
{
    type = record.type;
    volume = record.volume;
    cents = record.cents;
    fmEnabled = record.fmEnabled;
    volumeEnvelope.stored = record.volumeEnvelope;
    transposeEnvelope.stored = record.transposeEnvelope;
}

void TOvkOscillatorState::StartNote(std::uint32_t note)
{
    phase = 0;
    increment = NoteIncrement(note, cents);
}

} // namespace ovk
