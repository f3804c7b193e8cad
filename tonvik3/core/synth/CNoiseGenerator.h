#pragma once
#include <cstdint>

namespace ovk {

// The white-noise source shared by every noise oscillator that is evaluated
// on one thread: a linear congruential generator that starts at 1 and is
// never reseeded, so a song renders the same noise every time it is rendered
// from the start on a fresh thread.
class CNoiseGenerator {
public:
    // The next number, 0 ... 0x7FFF.
    static std::uint32_t Next()
    {
        std::uint32_t& state = State();
        state = Step(state);
        return (state >> 16) & 0x7FFF;
    }

    // Fills out[0 ... count-1] with the next count numbers, in order.
    static void Draw(std::uint32_t* out, std::uint32_t count)
    {
        std::uint32_t state = State();
        for (std::uint32_t i = 0; i < count; ++i) {
            state = Step(state);
            out[i] = (state >> 16) & 0x7FFF;
        }
        State() = state;
    }

    // Puts the calling thread's generator back to its start, as a new thread
    // would find it (for tests that render a song twice on one thread).
    static void ResetForThisThread() { State() = 1; }

    static std::uint32_t GetState() { return State(); }

private:
    static std::uint32_t Step(std::uint32_t state) { return state * 214013u + 2531011u; }
    static std::uint32_t& State();
};

} // namespace ovk
