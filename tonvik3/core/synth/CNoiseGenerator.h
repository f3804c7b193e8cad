#pragma once
#include <cstdint>

namespace ovk {

namespace noise_detail {
// a^n modulo 2^32.
constexpr std::uint32_t Power(std::uint32_t a, std::uint32_t n)
{
    std::uint32_t p = 1;
    for (std::uint32_t k = 0; k < n; ++k)
        p *= a;
    return p;
}
// What n steps of x -> a x + c add: x -> a^n x + StepsIncrement.
constexpr std::uint32_t StepsIncrement(std::uint32_t a, std::uint32_t c, std::uint32_t n)
{
    std::uint32_t sum = 0;
    for (std::uint32_t k = 0; k < n; ++k)
        sum = sum * a + c;
    return sum;
}
// The inverse of an odd a modulo 2^32 (Newton's iteration doubles the correct low bits).
constexpr std::uint32_t Inverse(std::uint32_t a)
{
    std::uint32_t x = a;
    for (int k = 0; k < 5; ++k)
        x *= 2u - a * x;
    return x;
}
} // namespace noise_detail

// The white-noise source shared by every noise oscillator that is evaluated
// on one thread: a linear congruential generator that starts at 1 and is
// never reseeded, so a song renders the same noise every time it is rendered
// from the start on a fresh thread.
class CNoiseGenerator {
public:
    // The generators that run side by side in Draw and DrawBySlot.
    static constexpr std::uint32_t kLanes = 8;

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
        std::uint32_t& stored = State();
        std::uint32_t state = stored;
        std::uint32_t i = 0;
        if (count >= 2 * kLanes) {
            // kLanes generators side by side, each kLanes steps ahead of the
            // one before it: state n + kLanes = kFar * state n + kFarAdd.
            std::uint32_t lanes[kLanes];
            for (std::uint32_t k = 0; k < kLanes; ++k)
                lanes[k] = state = Step(state);
            for (; i + kLanes <= count; i += kLanes) {
                for (std::uint32_t k = 0; k < kLanes; ++k) {
                    out[i + k] = (lanes[k] >> 16) & 0x7FFF;
                    lanes[k] = lanes[k] * kFar + kFarAdd;
                }
            }
            // lanes[0] is now the state of number i + 1 (0-based i): step back once.
            state = (lanes[0] - kIncrement) * kInverse;
        }
        for (; i < count; ++i) {
            state = Step(state);
            out[i] = (state >> 16) & 0x7FFF;
        }
        stored = state;
    }

    // The noise of a block of count samples (1 ... kMaxCount) in which
    // each sample draws one number for each of jump.slots oscillators, in slot
    // order, but the last sample only for the first lastSlots of them. The
    // numbers are those that drawing them one by one in that order gives;
    // slot s's numbers, one per sample, go to out[s * kSlotPitch + j] as the
    // wave that a noise oscillator makes of a number r, ((r & 255) - 128) * 256,
    // ready for vector code. Where wanted is given, only the slots s with
    // wanted[s] set get their rows (the others are passed over).
    static constexpr std::uint32_t kMaxCount = 256;
    static constexpr std::uint32_t kSlotPitch = 256;
    // How far the generator jumps for one sample of one slot (slots steps)
    // and for kLanes samples; the same for every block with that many slots.
    // Each jump of n steps is x -> multiplier x + increment. So that a block
    // need not step its way to them one after the other, the jumps to the
    // first kLanes samples of slot 0 and to the first kJumpSlots slots are
    // kept too.
    static constexpr std::uint32_t kJumpSlots = 64;
    struct TSlotJump {
        std::uint32_t slots = 0;
        std::uint32_t slotMultiplier = 1, slotIncrement = 0;
        std::uint32_t farMultiplier = 1, farIncrement = 0;
        // From the state before the block to sample k of slot 0: 1 + k slots steps.
        std::uint32_t laneMultiplier[kLanes] = {}, laneIncrement[kLanes] = {};
        // From a sample of slot 0 to the same sample of slot s: s steps.
        std::uint32_t toSlotMultiplier[kJumpSlots] = {}, toSlotIncrement[kJumpSlots] = {};
        // From sample k of a slot to sample k + g kLanes of that slot: g kLanes slots steps.
        std::uint32_t toGroupMultiplier[kMaxCount / kLanes] = {}, toGroupIncrement[kMaxCount / kLanes] = {};
        // n jumps, the first x -> m x + i, each next one the one before
        // followed by x -> stepM x + stepI: x -> stepM m x + (stepM i + stepI).
        static void Jumps(std::uint32_t m, std::uint32_t i, std::uint32_t stepM, std::uint32_t stepI, std::uint32_t n,
                          std::uint32_t* multipliers, std::uint32_t* increments)
        {
            for (std::uint32_t k = 0; k < n; ++k) {
                multipliers[k] = m;
                increments[k] = i;
                i = stepM * i + stepI;
                m = stepM * m;
            }
        }
        static TSlotJump For(std::uint32_t slots)
        {
            TSlotJump jump;
            jump.slots = slots;
            jump.slotMultiplier = noise_detail::Power(kMultiplier, slots);
            jump.slotIncrement = noise_detail::StepsIncrement(kMultiplier, kIncrement, slots);
            jump.farMultiplier = noise_detail::Power(jump.slotMultiplier, kLanes);
            jump.farIncrement = noise_detail::StepsIncrement(jump.slotMultiplier, jump.slotIncrement, kLanes);
            // The jumps of 1, 1 + slots, 1 + 2 slots ... steps; of 0, 8 slots,
            // 16 slots ... steps; of 0, 1, 2 ... steps.
            Jumps(kMultiplier, kIncrement, jump.slotMultiplier, jump.slotIncrement, kLanes, jump.laneMultiplier,
                  jump.laneIncrement);
            Jumps(1, 0, jump.farMultiplier, jump.farIncrement, kMaxCount / kLanes, jump.toGroupMultiplier,
                  jump.toGroupIncrement);
            Jumps(1, 0, kMultiplier, kIncrement, kJumpSlots, jump.toSlotMultiplier, jump.toSlotIncrement);
            return jump;
        }
    };
    static void DrawBySlot(std::uint32_t* out, const TSlotJump& jump, std::uint32_t count, std::uint32_t lastSlots,
                           const std::uint8_t* wanted = nullptr)
    {
        const std::uint32_t slots = jump.slots;
        if (slots == 0 || count == 0 || (count == 1 && lastSlots == 0))
            return;
        std::uint32_t& stored = State();
        // The last number drawn, whose state the generator keeps.
        const std::uint32_t lastSlot = lastSlots > 0 ? lastSlots - 1 : slots - 1;
        const std::uint32_t lastSample = lastSlots > 0 ? count - 1 : count - 2;
        // The lanes as one vector: the compiler keeps the eight generators in
        // a register instead of stepping them one by one through memory.
        using TLanes = std::uint32_t __attribute__((vector_size(4 * kLanes)));
        const TLanes zero = {};
        const TLanes one = kMultiplier + zero, oneAdd = kIncrement + zero;
        // The states of samples 0 ... kLanes - 1 of slot 0.
        TLanes first, laneMultiplier, laneIncrement;
        __builtin_memcpy(&laneMultiplier, jump.laneMultiplier, sizeof(laneMultiplier));
        __builtin_memcpy(&laneIncrement, jump.laneIncrement, sizeof(laneIncrement));
        first = stored * laneMultiplier + laneIncrement;
        // Past the slots whose jumps are kept, each next slot is one step on.
        TLanes beyond = first;
        // The last slot's lanes at the group that holds its last sample.
        TLanes lastGroup = {};
        for (std::uint32_t slot = 0; slot < slots; ++slot) {
            const std::uint32_t samples = slot < lastSlots ? count : count - 1;
            TLanes lanes;
            if (slot < kJumpSlots) {
                lanes = first * jump.toSlotMultiplier[slot] + jump.toSlotIncrement[slot];
                if (slot + 1 == kJumpSlots)
                    beyond = lanes;
            } else {
                beyond = beyond * one + oneAdd;
                lanes = beyond;
            }
            if (wanted && !wanted[slot] && slot != lastSlot)
                continue;
            std::uint32_t* const row = out + slot * kSlotPitch;
            // Whole groups of kLanes (the pitch leaves room past the last
            // sample), each jumped to from the row's first: no group waits
            // for the one before it.
            for (std::uint32_t j = 0, g = 0; j < samples; j += kLanes, ++g) {
                const TLanes group = lanes * jump.toGroupMultiplier[g] + jump.toGroupIncrement[g];
                if (slot == lastSlot && lastSample - j < kLanes)
                    lastGroup = group;
                const TLanes numbers = (group >> 16) & 0x7FFF;
                const TLanes waves = ((numbers & 255) - 128) << 8;
                __builtin_memcpy(row + j, &waves, sizeof(waves));
            }
        }
        stored = lastGroup[lastSample % kLanes];
    }

    // Moves on by count numbers without giving them: the numbers that
    // oscillators rendered elsewhere draw.
    static void Skip(std::uint32_t count)
    {
        std::uint32_t& state = State();
        for (std::uint32_t k = 0; k < count; ++k)
            state = Step(state);
    }

    // Puts the calling thread's generator back to its start, as a new thread
    // would find it (for tests that render a song twice on one thread).
    static void ResetForThisThread() { State() = 1; }

    static std::uint32_t GetState() { return State(); }
    // Continues the calling thread's generator from a state that another
    // thread's generator had (threads that share the rendering of one song).
    static void SetState(std::uint32_t state) { State() = state; }

private:
    static constexpr std::uint32_t kMultiplier = 214013u;
    static constexpr std::uint32_t kIncrement = 2531011u;
    static std::uint32_t Step(std::uint32_t state) { return state * kMultiplier + kIncrement; }

    // kLanes steps at once, and one step back (the multiplier is odd, so it
    // has an inverse modulo 2^32).
    static constexpr std::uint32_t kFar = noise_detail::Power(kMultiplier, kLanes);
    static constexpr std::uint32_t kFarAdd = noise_detail::StepsIncrement(kMultiplier, kIncrement, kLanes);
    static constexpr std::uint32_t kInverse = noise_detail::Inverse(kMultiplier);
    static_assert(kMultiplier * kInverse == 1u);
    static_assert(kSlotPitch % kLanes == 0 && kMaxCount <= kSlotPitch);
    static std::uint32_t& State();
};

} // namespace ovk
