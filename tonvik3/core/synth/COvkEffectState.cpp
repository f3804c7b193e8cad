#include "core/synth/COvkEffectState.h"

#include "core/synth/SynthMath.h"

namespace ovk {

COvkEffectState::COvkEffectState() { Prepare(); }

void COvkEffectState::Refresh(const TOvkEffect& newRecord, std::uint32_t newRowLength)
{
    if (m_prepared && newRecord == m_record && newRowLength == m_rowLength)
        return;
    m_record = newRecord;
    m_rowLength = newRowLength;
    Prepare();
}

void COvkEffectState::Prepare()
{
    // The line's length as the record asks for it, 64-bit so that an absurd
    // request shows instead of wrapping into a small one.
    std::int64_t wanted = 0;
    switch (m_record.type) {
    case EFFECT_DELAY: {
        const std::uint64_t product =
            static_cast<std::uint64_t>(m_rowLength) * static_cast<std::uint32_t>(m_record.p1);
        if (product > 0xFFFFFFFFu) {
            wanted = -1;
            break;
        }
        m_delaySamples = static_cast<std::uint32_t>(product) / 100u;
        wanted = static_cast<std::int64_t>(m_delaySamples) + 2;
        break;
    }
    case EFFECT_FLANGE:
        envA.stored = m_record.envelopeA;
        wanted = static_cast<std::int64_t>(m_record.envelopeA.max) + 2;
        if (wanted <= 0)
            wanted = -1;
        break;
    case EFFECT_LOWPASS:
    case EFFECT_HIGHPASS:
        envA.stored = m_record.envelopeA;
        m_cutoff = m_record.p1;
        wanted = 10;
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
        wanted = 10;
        break;
    default:
        break;
    }

    m_bypass = wanted < 0 || wanted > static_cast<std::int64_t>(kMaxLineLength);
    m_length = m_bypass ? 0 : static_cast<std::uint32_t>(wanted);
    m_position = 0;
    if (m_length > 0) {
        m_input.assign(m_length, 0);
        m_output.assign(m_length, 0);
    } else {
        std::vector<std::int32_t>().swap(m_input);
        std::vector<std::int32_t>().swap(m_output);
    }
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

void COvkEffectState::ProcessBlock(std::int32_t* samples, std::uint32_t count)
{
    if (m_bypass || count == 0)
        return;
    const std::int32_t e = envA.value;
    switch (m_record.type) {
    case EFFECT_DELAY: {
        const std::int32_t feedback = m_record.p2;
        std::uint32_t read = Behind(m_delaySamples);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t x = samples[i];
            const std::int32_t y = WrapAdd(x, WrapMul(m_output[read], feedback) >> 8);
            Record(x, y);
            read = read + 1 == m_length ? 0 : read + 1;
            samples[i] = y;
        }
        return;
    }
    case EFFECT_FLANGE: {
        std::uint32_t read = Behind(static_cast<std::uint32_t>(e));
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t x = samples[i];
            const std::int32_t y = WrapAdd(x, m_input[read]);
            Record(x, y);
            read = read + 1 == m_length ? 0 : read + 1;
            samples[i] = y;
        }
        return;
    }
    case EFFECT_LOWPASS: {
        const std::int32_t c = WrapMul(m_cutoff, e) >> 8;
        const std::int32_t keep = WrapSub(255, c);
        std::int32_t y1 = m_output[Behind(1)];
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t x = samples[i];
            const std::int32_t y = WrapAdd(WrapMul(keep, y1) / 256, WrapMul(c, x) / 256);
            Record(x, y);
            y1 = y;
            samples[i] = y;
        }
        return;
    }
    case EFFECT_HIGHPASS: {
        const std::int32_t c = WrapMul(m_cutoff, e) >> 8;
        const std::int32_t gain = WrapSub(511, c) / 2;
        const std::int32_t keep = WrapSub(255, c);
        const std::uint32_t previous = Behind(1);
        std::int32_t x1 = m_input[previous];
        std::int32_t y1 = m_output[previous];
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t x = samples[i];
            const std::int32_t y = WrapAdd(WrapMul(WrapSub(x, x1), gain), WrapMul(keep, y1)) >> 8;
            Record(x, y);
            x1 = x;
            y1 = y;
            samples[i] = y;
        }
        return;
    }
    case EFFECT_RESONANCE: {
        const std::int32_t f = WrapMul(m_frequency, e) >> 8;
        const std::int32_t r = WrapMul(m_amount, envB.value) >> 8;
        const std::int32_t d = WrapSub(255, WrapMul(WrapSub(255, r), f) / 256);
        std::int32_t s1 = m_s1;
        std::int32_t s2 = m_s2;
        for (std::uint32_t i = 0; i < count; ++i) {
            s1 = WrapAdd(WrapMul(WrapSub(samples[i], s2), f), WrapMul(s1, d)) / 256;
            s2 = WrapAdd(WrapMul(s2, d), WrapMul(s1, f)) / 256;
            samples[i] = s2;
        }
        m_s1 = s1;
        m_s2 = s2;
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

} // namespace ovk
