#pragma once
#include <cstdint>
#include <vector>
#include "core/song/TOvkEffect.h"
#include "core/synth/TOvkEnvelopeState.h"

namespace ovk {

// The running state of one effect of a channel's chain: a copy of its record,
// its two envelopes, its delay line and filter memories.
class COvkEffectState {
public:
    // Delay lines longer than this are refused: the effect passes its input.
    static constexpr std::uint32_t kMaxLineLength = 16u * 1024u * 1024u;

    // A new state holds a new effect record (a delay) and is prepared at once.
    COvkEffectState();

    // Takes the record and the row length; prepares again when either differs
    // from what the state was prepared with.
    void Refresh(const TOvkEffect& newRecord, std::uint32_t newRowLength);
    // Starts the effect from silence: a fresh delay line, empty filter memories.
    void Prepare();

    // One sample through the effect.
    std::int32_t Process(std::int32_t x);
    // count samples in place, all with the current envelope values; the same
    // result as Process on each of them in turn.
    void ProcessBlock(std::int32_t* samples, std::uint32_t count);
    // Runs effects[i] over samples[i] for every i < n, count samples each, as
    // ProcessBlock would. Filters of the same kind run side by side, so that
    // their sample-to-sample dependencies overlap instead of adding up.
    static void ProcessBlocks(COvkEffectState* const* effects, std::int32_t* const* samples, std::size_t n,
                              std::uint32_t count);

    const TOvkEffect& Record() const { return m_record; }
    std::uint32_t RowLength() const { return m_rowLength; }
    std::uint32_t LineLength() const { return m_length; }
    // True when the record asks for a delay line that cannot be made (empty
    // or absurdly long): the effect then passes its input unchanged.
    bool Bypassed() const { return m_bypass; }

    TOvkEnvelopeState envA;
    TOvkEnvelopeState envB;

private:
    template <std::size_t N>
    friend struct TFilterKernels;

    // The delay or flange over a block, reading from index read on.
    template <bool Delay>
    void RunLine(std::int32_t* samples, std::uint32_t count, std::uint32_t read);
    void Record(std::int32_t x, std::int32_t y)
    {
        if (!m_input.empty())
            m_input[m_position] = x;
        if (!m_output.empty())
            m_output[m_position] = y;
        m_position = m_position + 1 == m_length ? 0 : m_position + 1;
    }
    // After count samples run outside the line: moves the write position on
    // by count and records the newest input and output behind it (a filter
    // keeps both sides of its line).
    void RecordNewest(std::uint32_t count, std::int32_t x, std::int32_t y)
    {
        m_position = static_cast<std::uint32_t>((m_position + static_cast<std::uint64_t>(count)) % m_length);
        const std::uint32_t newest = Behind(1);
        m_input[newest] = x;
        m_output[newest] = y;
    }
    // The line index `back` samples before the write position.
    std::uint32_t Behind(std::uint32_t back) const { return (m_position - back + m_length) % m_length; }

    TOvkEffect m_record;
    std::uint32_t m_rowLength = 441;

    std::vector<std::int32_t> m_input;
    std::vector<std::int32_t> m_output;
    std::uint32_t m_length = 0;
    std::uint32_t m_position = 0;
    bool m_bypass = false;

    std::uint32_t m_delaySamples = 0;
    std::int32_t m_cutoff = 0;
    std::int32_t m_limit = 1;
    std::int32_t m_level = 0;
    std::int32_t m_frequency = 0;
    std::int32_t m_amount = 0;
    std::int32_t m_s1 = 0;
    std::int32_t m_s2 = 0;
    bool m_prepared = false;
};

} // namespace ovk
