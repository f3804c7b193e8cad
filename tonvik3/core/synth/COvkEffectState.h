#pragma once
#include <cstdint>
#include <vector>
#include "core/song/TOvkEffect.h"
#include "core/synth/TOvkEnvelopeState.h"

namespace ovk {

// The memory that the delay lines of one song may take together, and how
// much of it is left. The lines are handed out in channel order and, within
// a channel, in chain order; a line that does not fit in what is left is
// refused (its effect passes its input unchanged), and the lines after it
// may still fit.
class CEffectLineBudget {
public:
    // 512 MiB. The longest delay that the editor's length control gives (32
    // rows) at its slowest tempo (40 BPM) takes 2 MiB: 16 such delays in each
    // of the 8 channels take half the budget.
    static constexpr std::uint64_t kBytes = 512ull << 20;

    explicit CEffectLineBudget(std::uint64_t bytes = kBytes) : m_left(bytes) {}

    // True (and the bytes counted) when a line of this many bytes still fits.
    bool Take(std::uint64_t bytes)
    {
        if (bytes > m_left) {
            m_refused = true;
            return false;
        }
        m_left -= bytes;
        return true;
    }
    // Some line did not fit.
    bool Refused() const { return m_refused; }

private:
    std::uint64_t m_left;
    bool m_refused = false;
};

// The running state of one effect of a channel's chain: a copy of its record,
// its two envelopes, its delay line and filter memories.
class COvkEffectState {
public:
    // Delay lines longer than this are refused: the effect passes its input.
    static constexpr std::uint32_t kMaxLineLength = 16u * 1024u * 1024u;

    // A new state holds a new effect record (a delay) and is prepared at once.
    COvkEffectState();

    // The bytes of the delay line that record asks for at rowLength (0 when
    // its type keeps none, or when it cannot be made and is refused anyway).
    static std::uint64_t LineBytes(const TOvkEffect& record, std::uint32_t rowLength);

    // Takes the record and the row length, and whether its line fits in the
    // song's budget; prepares again when any of them differs from what the
    // state was prepared with. A line that does not fit is refused.
    void Refresh(const TOvkEffect& newRecord, std::uint32_t newRowLength, bool lineFits = true);
    // Starts the effect from silence: a fresh delay line, empty filter memories.
    void Prepare();

    // One sample through the effect.
    std::int32_t Process(std::int32_t x);
    // count samples in place, all with the current envelope values; the same
    // result as Process on each of them in turn. samples has room for whole
    // groups of eight (what lies past count may be overwritten).
    void ProcessBlock(std::int32_t* samples, std::uint32_t count);
    // Runs effects[i] over samples[i] for every i < n, count samples each, as
    // ProcessBlock would (the same room past count). Filters of the same kind
    // run side by side in vector lanes, so that their sample-to-sample
    // dependencies overlap instead of adding up.
    static void ProcessBlocks(COvkEffectState* const* effects, std::int32_t* const* samples, std::size_t n,
                              std::uint32_t count);
    // True when the n effects (at most 8) are filters of one kind (all
    // low-pass, all high-pass or all resonance) that ProcessPair can run.
    static bool FiltersOfOneKind(COvkEffectState* const* effects, std::size_t n);
    // Two consecutive effects of n chains, first[i] then second[i] over
    // samples[i], each slot FiltersOfOneKind: as ProcessBlocks on the first
    // slot, then on the second, but in one pass, so that the two filters'
    // sample-to-sample recurrences overlap.
    static void ProcessPair(COvkEffectState* const* first, COvkEffectState* const* second,
                            std::int32_t* const* samples, std::size_t n, std::uint32_t count);

    const TOvkEffect& Record() const { return m_record; }
    std::uint32_t RowLength() const { return m_rowLength; }
    std::uint32_t LineLength() const { return m_length; }
    // True when the record asks for a delay line that cannot be made (empty
    // or absurdly long): the effect then passes its input unchanged.
    bool Bypassed() const { return m_bypass; }

    TOvkEnvelopeState envA;
    TOvkEnvelopeState envB;

private:
    template <class TMul>
    friend struct TFilterLanes;

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

    // The line's length as record asks for it; -1 when it cannot be made.
    // Sets delaySamples for a delay.
    static std::int64_t WantedLength(const TOvkEffect& record, std::uint32_t rowLength,
                                     std::uint32_t& delaySamples);

    TOvkEffect m_record;
    std::uint32_t m_rowLength = 441;
    bool m_lineFits = true;

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
