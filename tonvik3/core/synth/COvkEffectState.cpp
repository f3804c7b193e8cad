#include "core/synth/COvkEffectState.h"

#include "core/synth/SynthMath.h"

#include <algorithm>

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
        for (std::uint32_t j = 0; j < run; ++j) {
            const std::int32_t x = samples[i + j];
            const std::int32_t y = Delay ? WrapAdd(x, WrapMul(output[read + j], feedback) >> 8)
                                         : WrapAdd(x, input[read + j]);
            if (Delay)
                output[position + j] = y;
            else
                input[position + j] = x;
            samples[i + j] = y;
        }
        i += run;
        position = position + run == length ? 0 : position + run;
        read = read + run == length ? 0 : read + run;
    }
    m_position = position;
}

void COvkEffectState::ProcessBlock(std::int32_t* samples, std::uint32_t count)
{
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
}

// The filters with a sample-to-sample recurrence, for N effects of one kind
// at once: each effect keeps its own memories in locals. A filter reads back
// only the newest entry of its line, so the run writes just that one at its
// end, where the sample-by-sample path would have put it.
// Plain scalar code runs the interleaved recurrences best: packing the lanes
// into SSE2 vectors (which have no 32-bit multiply) only slows them down.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("no-tree-slp-vectorize")
#endif
template <std::size_t N>
struct TFilterKernels {
    using TEffects = COvkEffectState* const*;
    using TSamples = std::int32_t* const*;

    static void LowPass(TEffects fx, TSamples samples, std::uint32_t count)
    {
        std::int32_t c[N], keep[N], x1[N], y1[N];
        std::int32_t* s[N];
        for (std::size_t k = 0; k < N; ++k) {
            c[k] = WrapMul(fx[k]->m_cutoff, fx[k]->envA.value) >> 8;
            keep[k] = WrapSub(255, c[k]);
            x1[k] = fx[k]->m_input[fx[k]->Behind(1)];
            y1[k] = fx[k]->m_output[fx[k]->Behind(1)];
            s[k] = samples[k];
        }
        for (std::uint32_t j = 0; j < count; ++j) {
            for (std::size_t k = 0; k < N; ++k) {
                const std::int32_t x = s[k][j];
                y1[k] = WrapAdd(WrapMul(keep[k], y1[k]) / 256, WrapMul(c[k], x) / 256);
                x1[k] = x;
                s[k][j] = y1[k];
            }
        }
        for (std::size_t k = 0; k < N; ++k)
            fx[k]->RecordNewest(count, x1[k], y1[k]);
    }

    static void HighPass(TEffects fx, TSamples samples, std::uint32_t count)
    {
        std::int32_t gain[N], keep[N], x1[N], y1[N];
        std::int32_t* s[N];
        for (std::size_t k = 0; k < N; ++k) {
            const std::int32_t c = WrapMul(fx[k]->m_cutoff, fx[k]->envA.value) >> 8;
            gain[k] = WrapSub(511, c) / 2;
            keep[k] = WrapSub(255, c);
            const std::uint32_t previous = fx[k]->Behind(1);
            x1[k] = fx[k]->m_input[previous];
            y1[k] = fx[k]->m_output[previous];
            s[k] = samples[k];
        }
        for (std::uint32_t j = 0; j < count; ++j) {
            for (std::size_t k = 0; k < N; ++k) {
                const std::int32_t x = s[k][j];
                y1[k] = WrapAdd(WrapMul(WrapSub(x, x1[k]), gain[k]), WrapMul(keep[k], y1[k])) >> 8;
                x1[k] = x;
                s[k][j] = y1[k];
            }
        }
        for (std::size_t k = 0; k < N; ++k)
            fx[k]->RecordNewest(count, x1[k], y1[k]);
    }

    static void Resonance(TEffects fx, TSamples samples, std::uint32_t count)
    {
        std::int32_t f[N], d[N], s1[N], s2[N];
        std::int32_t* s[N];
        for (std::size_t k = 0; k < N; ++k) {
            f[k] = WrapMul(fx[k]->m_frequency, fx[k]->envA.value) >> 8;
            const std::int32_t r = WrapMul(fx[k]->m_amount, fx[k]->envB.value) >> 8;
            d[k] = WrapSub(255, WrapMul(WrapSub(255, r), f[k]) / 256);
            s1[k] = fx[k]->m_s1;
            s2[k] = fx[k]->m_s2;
            s[k] = samples[k];
        }
        for (std::uint32_t j = 0; j < count; ++j) {
            for (std::size_t k = 0; k < N; ++k) {
                s1[k] = WrapAdd(WrapMul(WrapSub(s[k][j], s2[k]), f[k]), WrapMul(s1[k], d[k])) / 256;
                s2[k] = WrapAdd(WrapMul(s2[k], d[k]), WrapMul(s1[k], f[k])) / 256;
                s[k][j] = s2[k];
            }
        }
        for (std::size_t k = 0; k < N; ++k) {
            fx[k]->m_s1 = s1[k];
            fx[k]->m_s2 = s2[k];
        }
    }

    static void Run(std::int32_t type, TEffects fx, TSamples samples, std::uint32_t count)
    {
        if (type == EFFECT_LOWPASS)
            LowPass(fx, samples, count);
        else if (type == EFFECT_HIGHPASS)
            HighPass(fx, samples, count);
        else
            Resonance(fx, samples, count);
    }
};

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

void COvkEffectState::ProcessBlocks(COvkEffectState* const* effects, std::int32_t* const* samples, std::size_t n,
                                    std::uint32_t count)
{
    // Up to this many filters of one kind run side by side.
    constexpr std::size_t kGroup = 4;
    for (const std::int32_t type : {EFFECT_LOWPASS, EFFECT_HIGHPASS, EFFECT_RESONANCE}) {
        COvkEffectState* group[kGroup];
        std::int32_t* groupSamples[kGroup];
        std::size_t size = 0;
        auto flush = [&] {
            switch (size) {
            case 1:
                TFilterKernels<1>::Run(type, group, groupSamples, count);
                break;
            case 2:
                TFilterKernels<2>::Run(type, group, groupSamples, count);
                break;
            case 3:
                TFilterKernels<3>::Run(type, group, groupSamples, count);
                break;
            case 4:
                TFilterKernels<4>::Run(type, group, groupSamples, count);
                break;
            default:
                break;
            }
            size = 0;
        };
        for (std::size_t i = 0; i < n; ++i) {
            if (effects[i]->m_record.type != type || effects[i]->m_bypass)
                continue;
            group[size] = effects[i];
            groupSamples[size] = samples[i];
            if (++size == kGroup)
                flush();
        }
        flush();
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t type = effects[i]->m_record.type;
        if (type != EFFECT_LOWPASS && type != EFFECT_HIGHPASS && type != EFFECT_RESONANCE)
            effects[i]->ProcessBlock(samples[i], count);
    }
}

} // namespace ovk
