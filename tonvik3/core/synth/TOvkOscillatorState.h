#pragma once
#include <cstdint>
#include "core/song/TOvkOscillator.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/SynthMath.h"
#include "core/synth/TOvkEnvelopeState.h"

namespace ovk {

// The phase step per sample of a note (1 ... 254, or any other value but the
// stop note) played cents away from its pitch: 653 for note 58 at 0 cents
// (440 Hz). 0 for pitches too low to move the phase.
std::int32_t NoteIncrement(std::uint32_t note, std::int32_t cents);

// The running state of one carrier or modulator. A new state is silent: it
// has no increment until it is given a note.
struct TOvkOscillatorState {
    std::int32_t type = OSC_SINE;
    std::int32_t volume = 0;
    std::int32_t cents = 0;
    bool fmEnabled = false;
    TOvkEnvelopeState volumeEnvelope;
    TOvkEnvelopeState transposeEnvelope;

    std::uint32_t phase = 0;       // 65536 is one cycle; only the low 16 bits matter
    std::int32_t increment = 0;    // phase step at the note's pitch; 0 = never given a note
    std::int32_t modulation = 0;   // the paired modulator's output / 8 (carriers with FM)
    std::int32_t external = 0;     // input of the "ch1" ... "master" types; nothing feeds it

    // Takes the stored fields of an oscillator record; the running state stays.
    void Assign(const TOvkOscillator& record);
    // Restarts the phase at the pitch of note.
    void StartNote(std::uint32_t note);

    // The gain (256 = 1.0) under the volume envelope.
    std::int32_t Amplitude() const { return WrapMul(volumeEnvelope.value, volume) >> 8; }
    // The per-sample phase step under the transpose envelope, FM not included.
    std::int32_t Step() const { return WrapMul(transposeEnvelope.value, increment) >> 8; }
    // The oscillator's output now; a noise oscillator draws the next number.
    std::int32_t Output();
};

// Inline: the block path calls it for every pair at the end of every block.
inline std::int32_t TOvkOscillatorState::Output()
{
    if (increment == 0)
        return 0;
    const std::int32_t a = Amplitude();
    std::int32_t w;
    switch (type) {
    case OSC_SINE:
        w = ShapeW(static_cast<std::int32_t>(phase)) * 256;
        break;
    case OSC_SAW:
        w = static_cast<std::int32_t>(phase & 0xFFFF) - 32768;
        break;
    case OSC_SQUARE:
        w = (phase & 0xFFFF) <= 32767 ? -32768 : 32767;
        break;
    case OSC_NOISE:
        w = (static_cast<std::int32_t>(CNoiseGenerator::Next() & 255) - 128) * 256;
        break;
    default:
        w = type >= OSC_CH1 && type <= OSC_MASTER ? external : 0;
        break;
    }
    return WrapMul(a, w) >> 8;
}

} // namespace ovk
