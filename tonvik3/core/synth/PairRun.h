#pragma once
// The oscillator pairs of a channel over a run of samples whose envelopes
// stand still, in explicit vectors of eight 32-bit lanes: the inner loops
// of COvkChannelVoice's block path (included by it alone). Each function
// takes the tag of the vector path it is built for (VectorPath.h), so that
// the products can use the path's own instructions.
#include <cstdint>
#include <type_traits>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "core/song/TOvkOscillator.h"
#include "core/synth/COvkChannelVoice.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/SynthMath.h"
#include "core/synth/TOvkOscillatorState.h"
#include "core/synth/VectorPath.h"

namespace ovk::pair_run {

using TLanes = std::int32_t __attribute__((vector_size(32)));
using TBits = std::uint32_t __attribute__((vector_size(32)));

inline TLanes Load(const void* p)
{
    TLanes v;
    __builtin_memcpy(&v, p, sizeof(v));
    return v;
}
inline void Store(void* p, TLanes v) { __builtin_memcpy(p, &v, sizeof(v)); }
// WrapMul, lane by lane.
inline TLanes WrapMulLanes(TLanes a, TLanes b) { return TLanes(TBits(a) * TBits(b)); }

// a x b lane by lane, for a in 0 ... 32767 and b whose low 16 bits hold a
// number in -32768 ... 32767 (its high 16 bits are not read): the exact
// product, as WrapMul gives it. The processor multiplies and adds pairs of
// 16-bit numbers in one short step, where its 32-bit multiply takes two long
// ones; with a's high half 0, each lane's pair sum is the one product.
#if defined(__SSE2__)
inline TLanes MulShort(TSse2Path, TLanes a, TLanes b)
{
    return OnHalves(a, b, [](__m128i x, __m128i y) { return _mm_madd_epi16(x, y); });
}
#else
inline TLanes MulShort(TSse2Path, TLanes a, TLanes b) { return WrapMulLanes(a, (b << 16) >> 16); }
#endif
#if TONVIK_HAS_AVX2_PATH
__attribute__((target("avx2"))) inline TLanes MulShort(TAvx2Path, TLanes a, TLanes b)
{
    return TLanes(_mm256_madd_epi16(__m256i(a), __m256i(b)));
}
#endif

// An oscillator's gain in every lane, as the products with its wave take
// it: Short for a gain in 0 ... 32767 (the usual: a volume of a few hundred
// under an envelope value of a few hundred, / 256), which multiplies the
// waves' 16-bit numbers in MulShort; else the 32-bit multiply.
template <bool Short>
struct TGain {
    std::int32_t value;
    TLanes lanes;
    explicit TGain(std::int32_t gain) : value(gain), lanes(TLanes{} + gain) {}
    static bool Fits(std::int32_t gain) { return gain >= 0 && gain <= 32767; }
    // WrapMul(gain, w) >> 8 for waves w in -32768 ... 32767.
    template <class Path>
    TLanes Times(Path path, TLanes w) const
    {
        if constexpr (Short)
            return MulShort(path, lanes, w) >> 8;
        else
            return WrapMulLanes(lanes, w) >> 8;
    }
};

// The waves of the block path: O = WrapMul(gain, w) >> 8 of an oscillator
// at a phase, or, for noise, of the sample's random number (as
// CNoiseGenerator::DrawBySlot gives it), eight lanes at a time (Scaled). All
// of them are plain arithmetic: the sine is its parabola, not a table.
struct TSineWave {
    template <class Path, bool Short>
    TLanes Scaled(Path path, const TGain<Short>& gain, TBits phase, TLanes) const
    {
        // ShapeW: t and |t| fit 16 bits, and so does their product.
        const TLanes t = TLanes((phase >> 8) & 255) - 128;
        const TLanes sign = t >> 31;
        const TLanes magnitude = (t ^ sign) - sign;
        const TLanes shape = (MulShort(path, magnitude, t) >> 5) - 4 * t;  // -128 ... 128
        // gain x shape x 256 >> 8 is gain x shape, exactly, for a short gain.
        if constexpr (Short)
            return MulShort(path, gain.lanes, shape);
        else
            return WrapMulLanes(gain.lanes, shape * 256) >> 8;
    }
};
struct TSawWave {
    template <class Path, bool Short>
    TLanes Scaled(Path path, const TGain<Short>& gain, TBits phase, TLanes) const
    {
        return gain.Times(path, TLanes(phase & 0xFFFF) - 32768);
    }
};
struct TSquareWave {
    template <class Path, bool Short>
    TLanes Scaled(Path path, const TGain<Short>& gain, TBits phase, TLanes) const
    {
        // Bit 15 of the phase picks the half: all ones in the upper half.
        // Shifts rather than a comparison, which SSE2 would make one lane at a time.
        const TLanes upper = TLanes(phase << 16) >> 31;
        return gain.Times(path, (upper & 65535) - 32768);
    }
};
struct TNoiseWave {
    template <class Path, bool Short>
    TLanes Scaled(Path path, const TGain<Short>& gain, TBits, TLanes wave) const
    {
        return gain.Times(path, wave);
    }
};
// A wave that does not depend on the phase: one product for the whole run.
struct TFixedWave {
    std::int32_t w;
    template <class Path, bool Short>
    TLanes Scaled(Path, const TGain<Short>& gain, TBits, TLanes) const
    {
        return TLanes{} + (WrapMul(gain.value, w) >> 8);
    }
};

// The wave of a type that does not depend on the phase: the external input
// for "ch1" ... "master", silence for unknown types.
inline std::int32_t FixedWaveOf(const TOvkOscillatorState& o)
{
    return o.type >= OSC_CH1 && o.type <= OSC_MASTER ? o.external : 0;
}

// Calls fn with the wave of o. An oscillator without a note outputs 0, like
// a fixed wave of 0, and draws nothing.
template <class Fn>
void VisitWave(const TOvkOscillatorState& o, Fn&& fn)
{
    if (o.increment == 0) {
        fn(TFixedWave{0});
        return;
    }
    switch (o.type) {
    case OSC_SINE:
        fn(TSineWave{});
        break;
    case OSC_SAW:
        fn(TSawWave{});
        break;
    case OSC_SQUARE:
        fn(TSquareWave{});
        break;
    case OSC_NOISE:
        fn(TNoiseWave{});
        break;
    default:
        fn(TFixedWave{FixedWaveOf(o)});
        break;
    }
}

// One pair over a run of count samples (1 ... kMaxBlock) whose envelopes
// stand still: the carrier's outputs for all count samples are added to
// samples (when sounding), and the pair is advanced count - 1 times; the
// last advance comes after the envelopes of the run's end have moved.
struct TPairRun {
    std::int32_t modulatorGain;
    std::uint32_t modulatorStep;  // FM of the modulator included: it is constant
    std::int32_t carrierGain;
    std::uint32_t carrierStep;
    std::uint32_t modulatorPhase;  // in: at the first sample; out: at the last
    std::uint32_t carrierPhase;
    std::int32_t modulation;  // out: the carrier's FM input after the last advance made
};

// The loops below run over whole vectors of eight samples, up to Whole(count):
// what they compute past the run's end lands in the room that every block
// buffer has (kBlockRoom) and is never used.
constexpr std::uint32_t kRunRoom = COvkChannelVoice::kBlockRoom;
// count >= 1: blocks are never empty.
constexpr std::uint32_t Whole(std::uint32_t count)
{
    const std::uint32_t whole = (count + 7) / 8 * 8;
    // Said to the compiler too: its vector loops then need no leftover pass
    // and no check for an empty run.
    if (whole % 8 != 0 || whole == 0)
        __builtin_unreachable();
    return whole;
}
static_assert(Whole(COvkChannelVoice::kMaxBlock) <= kRunRoom && kRunRoom <= CNoiseGenerator::kSlotPitch);

// The phases start, start + step, ... start + 7 step.
inline TBits Ramp(std::uint32_t start, std::uint32_t step)
{
    const TBits lane = {0, 1, 2, 3, 4, 5, 6, 7};
    return start + lane * step;
}

// sums[0] = start, sums[j + 1] = sums[j] + steps[j], eight at a time: within
// a vector of eight, each lane adds the lanes before it in three shifted
// additions (1, 2 and 4 lanes), then the total so far.
template <class Path>
inline void RunningSum(Path, std::uint32_t start, const std::uint32_t* steps, std::uint32_t count,
                       std::uint32_t* sums)
{
    const TBits zero = {};
    TBits total = start - zero;  // start in every lane
    sums[0] = start;
    for (std::uint32_t j = 0; j < count; j += 8) {
        TBits x;
        __builtin_memcpy(&x, steps + j, sizeof(x));
        x += TONVIK_SHUFFLE2(x, zero, 8, 0, 1, 2, 3, 4, 5, 6);
        x += TONVIK_SHUFFLE2(x, zero, 8, 8, 0, 1, 2, 3, 4, 5);
        x += TONVIK_SHUFFLE2(x, zero, 8, 8, 8, 8, 0, 1, 2, 3);
        x += total;
        __builtin_memcpy(sums + j + 1, &x, sizeof(x));
        // Lane 7 in every lane (taken out and spread: SSE2 builds a shuffle
        // of both halves through memory).
        total = zero + x[7];
    }
}
#if defined(__SSE2__)
// The same four lanes at a time, in SSE2's own shifts: its build of the
// eight-lane shuffles above goes through memory, and the total with it.
inline void RunningSum(TSse2Path, std::uint32_t start, const std::uint32_t* steps, std::uint32_t count,
                       std::uint32_t* sums)
{
    __m128i total = _mm_set1_epi32(static_cast<int>(start));
    sums[0] = start;
    for (std::uint32_t j = 0; j < count; j += 4) {
        __m128i x;
        __builtin_memcpy(&x, steps + j, sizeof(x));
        x = _mm_add_epi32(x, _mm_slli_si128(x, 4));
        x = _mm_add_epi32(x, _mm_slli_si128(x, 8));
        x = _mm_add_epi32(x, total);
        __builtin_memcpy(sums + j + 1, &x, sizeof(x));
        total = _mm_shuffle_epi32(x, 0xFF);
    }
}
#endif

// How a sounding carrier's outputs c go into the channel's samples, eight
// at j: the first pair stores them, the others add them, and the last one
// scales the sum by each sample's channel gain g (gains[j]: the same for
// every sample of a run, or, in a run over envelope ticks, its stretch's):
// v = (s * g) >> 8, the product taken unsigned.
template <bool First, bool Last>
struct TMix {
    const std::uint32_t* __restrict gains;
    void operator()(std::int32_t* __restrict samples, std::uint32_t j, TLanes c) const
    {
        TLanes v = First ? c : TLanes(TBits(Load(samples + j)) + TBits(c));
        if constexpr (Last)
            v = TLanes(TBits(v) * TBits(Load(gains + j))) >> 8;
        Store(samples + j, v);
    }
};
// A carrier that is not heard (the note is off).
struct TSilent {
    void operator()(std::int32_t*, std::uint32_t, TLanes) const {}
};

template <class Fn>
void VisitMix(bool first, bool last, const std::uint32_t* gains, Fn&& fn)
{
    if (first)
        last ? fn(TMix<true, true>{gains}) : fn(TMix<true, false>{gains});
    else
        last ? fn(TMix<false, true>{gains}) : fn(TMix<false, false>{gains});
}

// The noise of a pair's oscillators over a run, one wave per sample (the
// modulator's and the carrier's rows of DrawBySlot; kNoNoise for other
// waves, which read it but do not use it).
inline constexpr std::uint32_t kNoNoise[CNoiseGenerator::kSlotPitch] = {};
struct TPairNoise {
    const std::uint32_t* __restrict modulator;
    const std::uint32_t* __restrict carrier;
};

// A carrier with FM: each advance adds the modulator's output / 8 to the
// carrier's step, so its phases are a running sum.
template <class Path, bool Short, class TMixer, class TModulatorWave, class TCarrierWave>
void RunFmPair(Path path, TModulatorWave modulatorWave, TCarrierWave carrierWave, TMixer mix, TPairRun& run,
               TPairNoise noise, std::uint32_t count, std::int32_t* __restrict samples)
{
    const TGain<Short> modulatorGain(run.modulatorGain);
    const TGain<Short> carrierGain(run.carrierGain);
    const std::uint32_t whole = Whole(count);
    // The modulator's outputs m[j] = O(modulator), and the carrier's steps
    // carrierStep + m[j] / 8 (an arithmetic shift), for the advances j < count - 1.
    alignas(32) std::int32_t m[kRunRoom];
    alignas(32) std::uint32_t steps[kRunRoom];
    TBits phase = Ramp(run.modulatorPhase, run.modulatorStep);
    const TBits stride = TBits{} + 8 * run.modulatorStep;
    for (std::uint32_t j = 0; j < whole; j += 8) {
        const TLanes out = modulatorWave.Scaled(path, modulatorGain, phase, Load(noise.modulator + j));
        Store(m + j, out);
        Store(steps + j, TLanes(TBits(out >> 3) + run.carrierStep));
        phase += stride;
    }
    alignas(32) std::uint32_t phases[kRunRoom + 8];
    RunningSum(path, run.carrierPhase, steps, count - 1, phases);
    if constexpr (!std::is_same_v<TMixer, TSilent>) {
        for (std::uint32_t j = 0; j < whole; j += 8)
            mix(samples, j, carrierWave.Scaled(path, carrierGain, TBits(Load(phases + j)), Load(noise.carrier + j)));
    }
    if (count >= 2)
        run.modulation = m[count - 2] >> 3;
    run.carrierPhase = phases[count - 1];
    run.modulatorPhase += (count - 1) * run.modulatorStep;
}

// A carrier without FM steps evenly; of the modulator only its last output
// counts, as the carrier's FM input for later.
template <class Path, bool Short, class TMixer, class TModulatorWave, class TCarrierWave>
void RunPlainPair(Path path, TModulatorWave modulatorWave, TCarrierWave carrierWave, TMixer mix, TPairRun& run,
                  TPairNoise noise, std::uint32_t count, std::int32_t* __restrict samples)
{
    if constexpr (!std::is_same_v<TMixer, TSilent>) {
        const TGain<Short> carrierGain(run.carrierGain);
        TBits phase = Ramp(run.carrierPhase, run.carrierStep);
        const TBits stride = TBits{} + 8 * run.carrierStep;
        for (std::uint32_t j = 0; j < Whole(count); j += 8) {
            mix(samples, j, carrierWave.Scaled(path, carrierGain, phase, Load(noise.carrier + j)));
            phase += stride;
        }
    }
    if (count >= 2) {
        // The modulator's output at the last advance made, in lane 0.
        const std::uint32_t last = count - 2;
        const std::uint32_t phase = run.modulatorPhase + last * run.modulatorStep;
        const TLanes out = modulatorWave.Scaled(path, TGain<Short>(run.modulatorGain), TBits{} + phase,
                                                TLanes{} + static_cast<std::int32_t>(noise.modulator[last]));
        run.modulation = out[0] >> 3;
    }
    run.carrierPhase += (count - 1) * run.carrierStep;
    run.modulatorPhase += (count - 1) * run.modulatorStep;
}

} // namespace ovk::pair_run
