#pragma once
#include <cstdint>

namespace ovk {

// When an envelope's counter returns to 0.
enum TOvkResetMode : std::int32_t {
    RESET_SONG = 0,            // never while playing; only by a seek
    RESET_PATTERN = 1,         // every pattern
    RESET_SECOND_PATTERN = 2,  // every second pattern
    RESET_NOTE = 3,            // every note
    RESET_FOURTH_PATTERN = 4,  // every fourth pattern
};

// Envelopes step once a tick, every kEnvelopeTickSamples samples, and their
// counter runs over kEnvelopeCycle units in one cycle of the shape.
constexpr std::uint32_t kEnvelopeTickSamples = 44;
constexpr std::int32_t kEnvelopeCycle = 65536;

// A periodic shape between min and max, stepped every tick; it drives
// every modulated value of an instrument (volumes, pitch, effect parameters).
struct TOvkEnvelope {
    std::int32_t min = 0;
    std::int32_t max = 256;
    std::int32_t speed = 65;              // counter units per tick; 65536 is one cycle
    std::int32_t resetMode = RESET_NOTE;
    std::int32_t phase = 16384;           // 16384 starts the shape at its top
    std::int32_t keepPosition = 0;        // the counter stops here for good (keepEnabled)
    std::int32_t sustainPosition = 0;     // the counter waits here while the note is held
    bool keepEnabled = true;
    bool sustainEnabled = false;

    bool operator==(const TOvkEnvelope&) const = default;

    // The default envelope: with keep enabled at 0 it holds max for ever.
    static constexpr TOvkEnvelope Default() { return TOvkEnvelope(); }
    // A reset channel's volume envelope: falls to a sustain level while the
    // note is held, runs out after a stop note.
    static constexpr TOvkEnvelope ChannelDefault()
    {
        TOvkEnvelope e;
        e.keepPosition = 32768;
        e.sustainPosition = 8192;
        e.sustainEnabled = true;
        return e;
    }
    // The flange's envelope A: a free-running sweep between 100 and 200 samples.
    static constexpr TOvkEnvelope FlangeDefault()
    {
        TOvkEnvelope e;
        e.min = 100;
        e.max = 200;
        e.resetMode = RESET_SONG;
        e.keepEnabled = false;
        return e;
    }
    // Keep enabled at position 0: the value never changes.
    bool IsConstant() const { return keepEnabled && keepPosition == 0; }
};

} // namespace ovk
