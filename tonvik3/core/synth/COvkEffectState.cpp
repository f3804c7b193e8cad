#include "core/synth/COvkEffectState.h"

#include "core/synth/SynthMath.h"
#include "core/synth/VectorPath.h"

#include <algorithm>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "core/synth/COvkChannelVoice.h"

namespace ovk {

COvkEffectState::COvkEffectState() { Prepare(); }

std::int64_t COvkEffectState::WantedLength(const TOvkEffect& record, std::uint32_t rowLength,
                                           std::uint32_t& delaySamples)
{
    // 64-bit, so that an absurd request shows instead of wrapping into a small one.
    std::int64_t wanted = 0;
    switch (record.type) {
    case EFFECT_DELAY: {
        const std::uint64_t product = static_cast<std::uint64_t>(rowLength) * static_cast<std::uint32_t>(record.p1);
        if (product > 0xFFFFFFFFu)
            return -1;
        delaySamples = static_cast<std::uint32_t>(product) / 100u;
        wanted = static_cast<std::int64_t>(delaySamples) + 2;
        break;
    }
    case EFFECT_FLANGE:
        wanted = static_cast<std::int64_t>(record.envelopeA.max) + 2;
        if (wanted <= 0)
            return -1;
        break;
    case EFFECT_LOWPASS:
    case EFFECT_HIGHPASS:
    case EFFECT_BANDPASS:
        wanted = 10;
        break;
    default:
        break;
    }
    return wanted > static_cast<std::int64_t>(kMaxLineLength) ? -1 : wanted;
}

std::uint64_t COvkEffectState::LineBytes(const TOvkEffect& record, std::uint32_t rowLength)
{
    std::uint32_t delaySamples = 0;
    const std::int64_t length = WantedLength(record, rowLength, delaySamples);
    if (length <= 0)
        return 0;
    // A delay keeps only its outputs and a flange only its inputs (see Prepare).
    const std::uint64_t sides = record.type == EFFECT_DELAY || record.type == EFFECT_FLANGE ? 1 : 2;
    return static_cast<std::uint64_t>(length) * sides * sizeof(std::int32_t);
}

void COvkEffectState::Refresh(const TOvkEffect& newRecord, std::uint32_t newRowLength, bool lineFits)
{
    if (m_prepared && newRecord == m_record && newRowLength == m_rowLength && lineFits == m_lineFits)
        return;
    m_record = newRecord;
    m_rowLength = newRowLength;
    m_lineFits = lineFits;
    Prepare();
}

void COvkEffectState::Prepare()
{
    std::int64_t wanted = WantedLength(m_record, m_rowLength, m_delaySamples);
    if (!m_lineFits && wanted > 0)
        wanted = -1;
    switch (m_record.type) {
    case EFFECT_FLANGE:
        envA.stored = m_record.envelopeA;
        break;
    case EFFECT_LOWPASS:
    case EFFECT_HIGHPASS:
        envA.stored = m_record.envelopeA;
        m_cutoff = m_record.p1;
        break;
    case EFFECT_RESONANCE:
        envA.stored = m_record.envelopeA;
        envB.stored = m_record.envelopeB;
        m_frequency = m_record.p1;
        m_amount = m_record.p2;
        m_s1 = m_s2 = 0;
        break;
    case EFFECT_OVERDRIVE:
        m_limit = WrapMul(m_record.p1, 127);
        if (m_limit == 0)
            m_limit = 1;
        m_level = m_record.p2;
        envA.stored = m_record.envelopeA;
        break;
    case EFFECT_BANDPASS:
        // Prepared like a filter, but it only records what passes through.
        envA.stored = m_record.envelopeA;
        envB.stored = m_record.envelopeB;
        m_frequency = m_record.p1;
        m_amount = m_record.p2;
        m_s1 = m_s2 = 0;
        break;
    default:
        break;
    }

    m_bypass = wanted < 0;
    m_length = m_bypass ? 0 : static_cast<std::uint32_t>(wanted);
    m_position = 0;
    // A delay reads back only its outputs and a flange only its inputs, so
    // their long lines keep just that side: half the memory.
    const bool keepInput = m_length > 0 && m_record.type != EFFECT_DELAY;
    const bool keepOutput = m_length > 0 && m_record.type != EFFECT_FLANGE;
    // A line of the same length is cleared in place (a seek prepares every
    // effect again); a shorter one gives back what it no longer needs.
    auto makeLine = [this](std::vector<std::int32_t>& line, bool keep) {
        line.assign(keep ? m_length : 0, 0);
        line.shrink_to_fit();
    };
    makeLine(m_input, keepInput);
    makeLine(m_output, keepOutput);
    m_prepared = true;
}

std::int32_t COvkEffectState::Process(std::int32_t x)
{
    if (m_bypass)
        return x;
    const std::int32_t e = envA.value;
    std::int32_t y;
    switch (m_record.type) {
    case EFFECT_DELAY:
        y = WrapAdd(x, WrapMul(m_output[Behind(m_delaySamples)], m_record.p2) >> 8);
        break;
    case EFFECT_FLANGE:
        y = WrapAdd(x, m_input[Behind(static_cast<std::uint32_t>(e))]);
        break;
    case EFFECT_LOWPASS: {
        const std::int32_t c = WrapMul(m_cutoff, e) >> 8;
        const std::int32_t y1 = m_output[Behind(1)];
        y = WrapAdd(WrapMul(WrapSub(255, c), y1) / 256, WrapMul(c, x) / 256);
        break;
    }
    case EFFECT_HIGHPASS: {
        const std::int32_t c = WrapMul(m_cutoff, e) >> 8;
        const std::uint32_t previous = Behind(1);
        const std::int32_t x1 = m_input[previous];
        const std::int32_t y1 = m_output[previous];
        y = WrapAdd(WrapMul(WrapSub(x, x1), WrapSub(511, c) / 2), WrapMul(WrapSub(255, c), y1)) >> 8;
        break;
    }
    case EFFECT_RESONANCE: {
        const std::int32_t f = WrapMul(m_frequency, e) >> 8;
        const std::int32_t r = WrapMul(m_amount, envB.value) >> 8;
        const std::int32_t d = WrapSub(255, WrapMul(WrapSub(255, r), f) / 256);
        m_s1 = WrapAdd(WrapMul(WrapSub(x, m_s2), f), WrapMul(m_s1, d)) / 256;
        m_s2 = WrapAdd(WrapMul(m_s2, d), WrapMul(m_s1, f)) / 256;
        y = m_s2;
        break;
    }
    case EFFECT_OVERDRIVE: {
        std::int32_t clipped = x;
        if (clipped > m_limit)
            clipped = m_limit;
        if (clipped < WrapNeg(m_limit))
            clipped = WrapNeg(m_limit);
        y = WrapMul(WrapMul(m_level, e) >> 8, DivTrunc(WrapMul(clipped, 32767), m_limit)) >> 8;
        break;
    }
    default:
        y = x;
        break;
    }
    if (m_length > 0)
        Record(x, y);
    return y;
}

template <bool Delay>
void COvkEffectState::RunLine(std::int32_t* samples, std::uint32_t count, std::uint32_t read)
{
    // Both add an entry of the line a fixed distance back: the delay its
    // output times the feedback, the flange its input. Each reads back only
    // that side of the line, so only that side is written here.
    const std::int32_t feedback = m_record.p2;
    std::int32_t* const input = m_input.data();
    std::int32_t* const output = m_output.data();
    const std::uint32_t length = m_length;
    std::uint32_t position = m_position;
    // In runs that neither index wraps in, so that the loop body is the formula alone.
    for (std::uint32_t i = 0; i < count;) {
        const std::uint32_t run = std::min({count - i, length - position, length - read});
        std::int32_t* const line = Delay ? output : input;
        std::int32_t* const s = samples + i;
        auto y = [&](std::int32_t x, std::int32_t back) {
            return Delay ? WrapAdd(x, WrapMul(back, feedback) >> 8) : WrapAdd(x, back);
        };
        const bool overlapping = read < position + run && position < read + run;
        std::uint32_t j = 0;
        if (!overlapping || read > position) {
            // Nothing that the run reads was written by it before (when the
            // read lies ahead of the write, each entry is read before its
            // overwrite): eight at a time, each group read before it is
            // written, then one by one.
            using TLanes = std::int32_t __attribute__((vector_size(32)));
            using TBits = std::uint32_t __attribute__((vector_size(32)));
            for (; j + 8 <= run; j += 8) {
                TLanes x, back;
                __builtin_memcpy(&x, s + j, sizeof(x));
                __builtin_memcpy(&back, line + read + j, sizeof(back));
                const TLanes added = Delay ? TLanes(TBits(back) * static_cast<std::uint32_t>(feedback)) >> 8 : back;
                const TLanes out = TLanes(TBits(x) + TBits(added));
                __builtin_memcpy(line + position + j, Delay ? &out : &x, sizeof(out));
                __builtin_memcpy(s + j, &out, sizeof(out));
            }
        }
        for (; j < run; ++j) {
            const std::int32_t x = s[j];
            const std::int32_t out = y(x, line[read + j]);
            line[position + j] = Delay ? out : x;
            s[j] = out;
        }
        i += run;
        position = position + run == length ? 0 : position + run;
        read = read + run == length ? 0 : read + run;
    }
    m_position = position;
}

void COvkEffectState::ProcessBlock(std::int32_t* samples, std::uint32_t count)
{
    OnVectorPath([=, this] {
        if (m_bypass || count == 0)
            return;
        switch (m_record.type) {
        case EFFECT_FLANGE:
            // A flange reaching further back than its line takes its index from
            // the wrapped 32-bit sum, which does not simply count up.
            if (static_cast<std::uint32_t>(envA.value) >= m_length) {
                for (std::uint32_t i = 0; i < count; ++i)
                    samples[i] = Process(samples[i]);
            } else {
                RunLine<false>(samples, count, Behind(static_cast<std::uint32_t>(envA.value)));
            }
            return;
        case EFFECT_DELAY:
            RunLine<true>(samples, count, Behind(m_delaySamples));
            return;
        case EFFECT_LOWPASS:
        case EFFECT_HIGHPASS:
        case EFFECT_RESONANCE: {
            COvkEffectState* self = this;
            ProcessBlocks(&self, &samples, 1, count);
            return;
        }
        default:
            // Overdrive (a division per sample either way), the band-pass and the
            // unknown types go sample by sample.
            for (std::uint32_t i = 0; i < count; ++i)
                samples[i] = Process(samples[i]);
            return;
        }
    });
}

using TFilterVector = std::int32_t __attribute__((vector_size(32)));

// a / 256 truncating toward zero, lane by lane: negative values are lifted by 255 first.
inline TFilterVector Div256Lanes(TFilterVector a)
{
    using TBits = std::uint32_t __attribute__((vector_size(32)));
    return TFilterVector(TBits(a) + (TBits(a >> 31) & 255u)) >> 8;
}
#if TONVIK_HAS_AVX2_PATH
// The same as |a| / 256 with a's sign, one step shorter: the recurrences
// wait for it too.
__attribute__((target("avx2"))) inline TFilterVector Div256Avx2(TFilterVector a)
{
    const __m256i x = __m256i(a);
    return TFilterVector(_mm256_sign_epi32(_mm256_srli_epi32(_mm256_abs_epi32(x), 8), x));
}
#endif

// The lane products of the filters' recurrences (wrapping, as WrapMul), and
// their divisions by 256. Each sample of a recurrence waits for its products,
// and the processor's 32 x 32 -> 64-bit multiply of the even lanes gives its
// result in about half the time of its multiply of all eight 32-bit lanes: up
// to four filters take the even lanes alone (kEvenLanesOnly), more take both
// halves of the wide multiply.
struct TMulAllLanes {
    static constexpr bool kEvenLanesOnly = false;
    static TFilterVector Div256(TFilterVector a) { return Div256Lanes(a); }
    static TFilterVector Mul(TFilterVector a, TFilterVector b)
    {
        using TBits = std::uint32_t __attribute__((vector_size(32)));
        return TFilterVector(TBits(a) * TBits(b));
    }
};
#if defined(__SSE2__)
struct TMulEvenLanesSse2 {
    static constexpr bool kEvenLanesOnly = true;
    static TFilterVector Div256(TFilterVector a) { return Div256Lanes(a); }
    static TFilterVector Mul(TFilterVector a, TFilterVector b)
    {
        return OnHalves(a, b, [](__m128i x, __m128i y) { return _mm_mul_epu32(x, y); });
    }
};
#else
using TMulEvenLanesSse2 = TMulAllLanes;
#endif
#if TONVIK_HAS_AVX2_PATH
struct TMulEvenLanesAvx2 {
    static constexpr bool kEvenLanesOnly = true;
    __attribute__((target("avx2"))) static TFilterVector Div256(TFilterVector a) { return Div256Avx2(a); }
    __attribute__((target("avx2"))) static TFilterVector Mul(TFilterVector a, TFilterVector b)
    {
        return TFilterVector(_mm256_mul_epu32(__m256i(a), __m256i(b)));
    }
};
struct TMulSplitLanesAvx2 {
    static constexpr bool kEvenLanesOnly = false;
    __attribute__((target("avx2"))) static TFilterVector Div256(TFilterVector a) { return Div256Avx2(a); }
    __attribute__((target("avx2"))) static TFilterVector Mul(TFilterVector a, TFilterVector b)
    {
        const __m256i even = _mm256_mul_epu32(__m256i(a), __m256i(b));
        const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(__m256i(a), 32), _mm256_srli_epi64(__m256i(b), 32));
        return TFilterVector(_mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA));
    }
};
#endif

// The filters with a sample-to-sample recurrence, up to eight of one kind at
// once, one in each lane of a vector: each sample of a run is one step of
// all eight recurrences together. The eight sample rows are turned into
// columns (and back) eight samples at a time. A filter reads back only the
// newest entry of its line, so the run writes just that one at its end,
// where the sample-by-sample path would have put it.
template <class TMul>
struct TFilterLanes {
    static constexpr std::size_t kLanes = 8;
    // The filters that one run takes at most, and the lane of filter k.
    static constexpr std::size_t kFilters = TMul::kEvenLanesOnly ? kLanes / 2 : kLanes;
    static constexpr std::size_t Lane(std::size_t k) { return TMul::kEvenLanesOnly ? 2 * k : k; }
    using TLanes = TFilterVector;
    using TBits = std::uint32_t __attribute__((vector_size(32)));
    using TEffects = COvkEffectState* const*;
    using TSamples = std::int32_t* const*;

    // The integer arithmetic of SynthMath, lane by lane.
    static TLanes Add(TLanes a, TLanes b) { return TLanes(TBits(a) + TBits(b)); }
    static TLanes Sub(TLanes a, TLanes b) { return TLanes(TBits(a) - TBits(b)); }
    static TLanes Mul(TLanes a, TLanes b) { return TMul::Mul(a, b); }
    // a / 256 truncating toward zero.
    static TLanes Div256(TLanes a) { return TMul::Div256(a); }

    static TLanes Load(const std::int32_t* p)
    {
        TLanes v;
        __builtin_memcpy(&v, p, sizeof(v));
        return v;
    }
    static void Store(std::int32_t* p, TLanes v) { __builtin_memcpy(p, &v, sizeof(v)); }

    // Rows r[k] (eight samples of lane k) to columns r[i] (sample i of every lane), and back.
    static void Transpose(TLanes (&r)[kLanes])
    {
        TLanes t[kLanes], u[kLanes];
        #pragma GCC unroll 8
        for (std::size_t k = 0; k < kLanes; k += 2) {
            t[k] = TONVIK_SHUFFLE2(r[k], r[k + 1], 0, 8, 1, 9, 4, 12, 5, 13);
            t[k + 1] = TONVIK_SHUFFLE2(r[k], r[k + 1], 2, 10, 3, 11, 6, 14, 7, 15);
        }
        #pragma GCC unroll 8
        for (std::size_t k = 0; k < kLanes; k += 4) {
            u[k] = TONVIK_SHUFFLE2(t[k], t[k + 2], 0, 1, 8, 9, 4, 5, 12, 13);
            u[k + 1] = TONVIK_SHUFFLE2(t[k], t[k + 2], 2, 3, 10, 11, 6, 7, 14, 15);
            u[k + 2] = TONVIK_SHUFFLE2(t[k + 1], t[k + 3], 0, 1, 8, 9, 4, 5, 12, 13);
            u[k + 3] = TONVIK_SHUFFLE2(t[k + 1], t[k + 3], 2, 3, 10, 11, 6, 7, 14, 15);
        }
        #pragma GCC unroll 8
        for (std::size_t k = 0; k < 4; ++k) {
            r[k] = TONVIK_SHUFFLE2(u[k], u[k + 4], 0, 1, 2, 3, 8, 9, 10, 11);
            r[k + 4] = TONVIK_SHUFFLE2(u[k], u[k + 4], 4, 5, 6, 7, 12, 13, 14, 15);
        }
    }

    // Runs step(x, i) for every sample of the run in order, x holding sample
    // i of every lane; step gives the filtered samples. rows[k] has room for
    // whole groups of eight samples.
    template <class Step>
    static void Run(std::int32_t* const (&rows)[kLanes], std::uint32_t count, Step&& step)
    {
        for (std::uint32_t j = 0; j < count; j += 8) {
            TLanes block[kLanes];
            #pragma GCC unroll 8
            for (std::size_t k = 0; k < kLanes; ++k)
                block[k] = Load(rows[k] + j);
            Transpose(block);
            const std::uint32_t samples = std::min<std::uint32_t>(8, count - j);
            #pragma GCC unroll 8
            for (std::uint32_t i = 0; i < samples; ++i)
                block[i] = step(block[i]);
            Transpose(block);
            #pragma GCC unroll 8
            for (std::size_t k = 0; k < kLanes; ++k)
                Store(rows[k] + j, block[k]);
        }
    }

    // The vector holding fn(k) in the lane of each filter k < n.
    template <class Fn>
    static TLanes PerLane(std::size_t n, Fn&& fn)
    {
        TLanes v = {};
        for (std::size_t k = 0; k < n; ++k)
            v[Lane(k)] = fn(k);
        return v;
    }

    // The three filters as stages of a run: Begin takes the coefficients
    // and memories of the n effects, Step filters one sample of every lane,
    // End hands the memories back after count samples.
    struct TLowPass {
        TLanes c, keep, y1, x1;
        void Begin(TEffects fx, std::size_t n)
        {
            c = PerLane(n, [&](std::size_t k) { return WrapMul(fx[k]->m_cutoff, fx[k]->envA.value) >> 8; });
            keep = Sub(TLanes{} + 255, c);
            y1 = PerLane(n, [&](std::size_t k) { return fx[k]->m_output[fx[k]->Behind(1)]; });
            x1 = PerLane(n, [&](std::size_t k) { return fx[k]->m_input[fx[k]->Behind(1)]; });
        }
        TLanes Step(TLanes x)
        {
            y1 = Add(Div256(Mul(keep, y1)), Div256(Mul(c, x)));
            x1 = x;
            return y1;
        }
        void End(TEffects fx, std::size_t n, std::uint32_t count) const
        {
            for (std::size_t k = 0; k < n; ++k)
                fx[k]->RecordNewest(count, x1[Lane(k)], y1[Lane(k)]);
        }
    };

    struct THighPass {
        TLanes gain, keep, y1, x1;
        void Begin(TEffects fx, std::size_t n)
        {
            const TLanes c =
                PerLane(n, [&](std::size_t k) { return WrapMul(fx[k]->m_cutoff, fx[k]->envA.value) >> 8; });
            gain = PerLane(n, [&](std::size_t k) { return WrapSub(511, c[Lane(k)]) / 2; });
            keep = Sub(TLanes{} + 255, c);
            y1 = PerLane(n, [&](std::size_t k) { return fx[k]->m_output[fx[k]->Behind(1)]; });
            x1 = PerLane(n, [&](std::size_t k) { return fx[k]->m_input[fx[k]->Behind(1)]; });
        }
        TLanes Step(TLanes x)
        {
            y1 = Add(Mul(Sub(x, x1), gain), Mul(keep, y1)) >> 8;
            x1 = x;
            return y1;
        }
        void End(TEffects fx, std::size_t n, std::uint32_t count) const
        {
            for (std::size_t k = 0; k < n; ++k)
                fx[k]->RecordNewest(count, x1[Lane(k)], y1[Lane(k)]);
        }
    };

    struct TResonance {
        TLanes f, d, s1, s2;
        void Begin(TEffects fx, std::size_t n)
        {
            f = PerLane(n, [&](std::size_t k) { return WrapMul(fx[k]->m_frequency, fx[k]->envA.value) >> 8; });
            d = PerLane(n, [&](std::size_t k) {
                const std::int32_t r = WrapMul(fx[k]->m_amount, fx[k]->envB.value) >> 8;
                return WrapSub(255, WrapMul(WrapSub(255, r), f[Lane(k)]) / 256);
            });
            s1 = PerLane(n, [&](std::size_t k) { return fx[k]->m_s1; });
            s2 = PerLane(n, [&](std::size_t k) { return fx[k]->m_s2; });
        }
        TLanes Step(TLanes x)
        {
            // (x - s2) f + s1 d, summed so that s2, which comes last, has the
            // fewest steps to go (the sums wrap, so any order gives the same).
            s1 = Div256(Sub(Add(Mul(x, f), Mul(s1, d)), Mul(s2, f)));
            s2 = Div256(Add(Mul(s2, d), Mul(s1, f)));
            return s2;
        }
        void End(TEffects fx, std::size_t n, std::uint32_t) const
        {
            for (std::size_t k = 0; k < n; ++k) {
                fx[k]->m_s1 = s1[Lane(k)];
                fx[k]->m_s2 = s2[Lane(k)];
            }
        }
    };

    // Calls fn with the stage of a filter type (low-pass, high-pass or resonance).
    template <class Fn>
    static void VisitStage(std::int32_t type, Fn&& fn)
    {
        if (type == EFFECT_LOWPASS)
            fn(TLowPass{});
        else if (type == EFFECT_HIGHPASS)
            fn(THighPass{});
        else
            fn(TResonance{});
    }

    // Lanes without an effect run on a row of their own that nobody reads.
    struct TRows {
        std::int32_t* rows[kLanes];
        alignas(32) std::int32_t spare[COvkChannelVoice::kBlockRoom];
        TRows(TSamples samples, std::size_t n, std::uint32_t count)
        {
            for (std::size_t k = 0; k < kLanes; ++k)
                rows[k] = spare;
            for (std::size_t k = 0; k < n; ++k)
                rows[Lane(k)] = samples[k];
            if (n < kLanes)
                std::fill(spare, spare + (count + 7) / 8 * 8, 0);
        }
    };

    // The stages over the rows, one after the other for each sample: a
    // sample leaves one stage and enters the next in registers, and the
    // processor works on one stage's recurrence while the other's waits.
    // fx[i] are stage i's effects.
    template <class... TStages>
    static void RunStages(const TEffects* fx, std::size_t n, TRows& rows, std::uint32_t count, TStages... stages)
    {
        std::size_t i = 0;
        (stages.Begin(fx[i++], n), ...);
        Run(rows.rows, count, [&](TLanes x) {
            ((x = stages.Step(x)), ...);
            return x;
        });
        i = 0;
        (stages.End(fx[i++], n, count), ...);
    }

    // n effects (1 ... 8) of one type over their rows of samples.
    static void Run(std::int32_t type, TEffects fx, TSamples samples, std::size_t n, std::uint32_t count)
    {
        TRows rows(samples, n, count);
        VisitStage(type, [&](auto stage) { RunStages(&fx, n, rows, count, stage); });
    }

    // Two slots of n effects each, every slot of one type, over the rows.
    static void RunPair(TEffects first, TEffects second, TSamples samples, std::size_t n, std::uint32_t count)
    {
        TRows rows(samples, n, count);
        const TEffects fx[2] = {first, second};
        VisitStage(first[0]->m_record.type, [&](auto stage1) {
            VisitStage(second[0]->m_record.type,
                       [&](auto stage2) { RunStages(fx, n, rows, count, stage1, stage2); });
        });
    }
};

// Calls fn(lanes) with the filter lanes (a TFilterLanes) that suit n
// filters (1 ... 8) on the active vector path, built for that path.
template <class Fn>
static void WithFilterLanes(std::size_t n, Fn fn)
{
    constexpr std::size_t kEvenLanes = TFilterLanes<TMulEvenLanesSse2>::kFilters;
#if TONVIK_HAS_AVX2_PATH
    if (vector_detail::UseAvx2()) {
        if (n <= kEvenLanes)
            vector_detail::RunAvx2([=] { fn(TFilterLanes<TMulEvenLanesAvx2>{}); });
        else
            vector_detail::RunAvx2([=] { fn(TFilterLanes<TMulSplitLanesAvx2>{}); });
        return;
    }
#endif
    if (n <= kEvenLanes)
        vector_detail::RunSse2([=] { fn(TFilterLanes<TMulEvenLanesSse2>{}); });
    else
        vector_detail::RunSse2([=] { fn(TFilterLanes<TMulAllLanes>{}); });
}

constexpr std::size_t kMaxFilterLanes = TFilterLanes<TMulAllLanes>::kLanes;

bool COvkEffectState::FiltersOfOneKind(COvkEffectState* const* effects, std::size_t n)
{
    if (n == 0 || n > kMaxFilterLanes)
        return false;
    const std::int32_t type = effects[0]->m_record.type;
    if (type != EFFECT_LOWPASS && type != EFFECT_HIGHPASS && type != EFFECT_RESONANCE)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (effects[i]->m_record.type != type || effects[i]->m_bypass)
            return false;
    return true;
}

void COvkEffectState::ProcessPair(COvkEffectState* const* first, COvkEffectState* const* second,
                                  std::int32_t* const* samples, std::size_t n, std::uint32_t count)
{
    WithFilterLanes(n, [=](auto lanes) { decltype(lanes)::RunPair(first, second, samples, n, count); });
}

void COvkEffectState::ProcessBlocks(COvkEffectState* const* effects, std::int32_t* const* samples, std::size_t n,
                                    std::uint32_t count)
{
    auto run = [count](std::int32_t type, COvkEffectState* const* group, std::int32_t* const* groupSamples,
                       std::size_t size) {
        WithFilterLanes(size, [=](auto lanes) { decltype(lanes)::Run(type, group, groupSamples, size, count); });
    };
    for (const std::int32_t type : {EFFECT_LOWPASS, EFFECT_HIGHPASS, EFFECT_RESONANCE}) {
        COvkEffectState* group[kMaxFilterLanes];
        std::int32_t* groupSamples[kMaxFilterLanes];
        std::size_t size = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (effects[i]->m_record.type != type || effects[i]->m_bypass)
                continue;
            group[size] = effects[i];
            groupSamples[size] = samples[i];
            if (++size == kMaxFilterLanes) {
                run(type, group, groupSamples, size);
                size = 0;
            }
        }
        if (size > 0)
            run(type, group, groupSamples, size);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t type = effects[i]->m_record.type;
        if (type != EFFECT_LOWPASS && type != EFFECT_HIGHPASS && type != EFFECT_RESONANCE)
            effects[i]->ProcessBlock(samples[i], count);
    }
}

} // namespace ovk
