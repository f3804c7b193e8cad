#pragma once
#include <cstdint>
#include <vector>
#include "core/song/COvkModuleData.h"

namespace morvane {
class CTextWriter;
class IOutputStream;
} // namespace morvane

namespace ovk {

// The song as C source tables for the small replayer (OvkSongData.cpp): 8-bit
// text with CR LF line ends. Only channels and patterns that the order table
// reaches are written, identical envelopes are written once and constant
// envelope values share one counter.
//
// The replayer has no band-pass and knows no effect types beyond overdrive:
// such effects are left out of every table and count. It has no silent
// oscillator type either, so an oscillator of a type outside sine, saw,
// square and noise is written as a sine of volume 0, which sounds as the
// editor plays it: not at all.
//
// The constructor works out the tables; the song must not change until Write
// has run (the caller holds the song's read lock).
class COvkCSourceExport {
public:
    explicit COvkCSourceExport(const COvkModuleData& song);

    // Writes the whole text. Stream errors propagate; what was written stays.
    void Write(morvane::IOutputStream* stream) const;
    // Writes the defines file that the text's first lines are meant for
    // (OvkSongDataDefines.h): the same bytes, from "#ifndef" to "#endif".
    void WriteDefinesFile(morvane::IOutputStream* stream) const;

    // The tables' rows as the numbers that the text spells out, field by
    // field in the order written.
    struct TEnvelopeRow {
        std::int32_t min, max, speed;
        std::int32_t phase, keep, sustain;  // in steps of 2048; keep and sustain 255 when disabled
        bool resetOnNote;
        std::int32_t resetPatterns;  // 0 every pattern, 1 every second, 3 every fourth, 255 never
    };
    struct TCounterRow {
        int envelope;  // index into the envelope rows; -1 for a constant
        int channel;   // -1 for a constant
        std::int32_t startValue;
    };
    struct TOscillatorRow {
        std::int32_t octave, fraction;
        std::int32_t type;  // 0 sine, 1 saw, 2 square, 3 noise
        int channel;
        int carrier;  // -1 for a carrier, the carrier's row for a modulator
        std::int32_t volume;
        int volumeCounter, transposeCounter;
    };
    struct TEffectRow {
        std::int32_t a, b, c;
        int channel;
        std::int32_t type;  // 0 delay ... 5 overdrive
        int counterA, counterB;
    };

    int SongLength() const { return m_length; }
    // Order position p as the text writes it: one hexadecimal digit per
    // channel, channel 0 lowest (entries 0-15; a larger one spills over).
    std::uint32_t OrderEntry(int position) const;
    // The pattern data bytes: 16 per written pattern, channel by channel.
    std::vector<std::uint32_t> PatternCells() const;
    // How many patterns of a channel are written (1 up to its highest used).
    int WrittenPatterns(int channel) const { return m_highestPattern[channel]; }
    const std::vector<TEnvelopeRow>& EnvelopeRows() const { return m_envelopeRows; }
    const std::vector<TCounterRow>& CounterRows() const { return m_counters; }
    const std::vector<TOscillatorRow>& OscillatorRows() const { return m_oscillatorRows; }
    const std::vector<TEffectRow>& EffectRows() const { return m_effectRows; }
    std::size_t EnvelopeCount() const { return m_envelopeRows.size(); }
    std::size_t CounterCount() const { return m_counters.size(); }
    int OscillatorCount() const { return static_cast<int>(m_oscillatorRows.size()); }
    int EffectCount() const { return static_cast<int>(m_effectRows.size()); }

    // The start value of an envelope: the player's value for it at counter 0.
    static std::int32_t StartValue(const TOvkEnvelope& envelope);
    // The replayer's pitch of an oscillator: octave (8 for 0 cents) and the
    // fraction of an octave above it in 1/256 of a doubling.
    static void Pitch(std::int32_t cents, std::int32_t& octave, std::int32_t& fraction);
    // Whether the tables hold an effect of this type (band-pass and unknown types they do not).
    static bool IsExported(const TOvkEffect& effect);

    // An envelope of a channel that the tables hold, what it drives, and
    // where the player keeps it.
    enum TEnvelopeRole {
        ROLE_CHANNEL,
        ROLE_CARRIER_VOLUME,
        ROLE_CARRIER_TRANSPOSE,
        ROLE_MODULATOR_VOLUME,
        ROLE_MODULATOR_TRANSPOSE,
        ROLE_EFFECT_A,
        ROLE_EFFECT_B,
    };
    struct TRegisteredEnvelope {
        const TOvkEnvelope* envelope;
        TEnvelopeRole role;
        std::size_t index;         // the pair or the effect it belongs to
        std::size_t listPosition;  // its place in the player's envelope list of the channel
    };
    // The envelopes of a used channel that the tables hold, in the order they
    // are registered: the channel envelope; each carrier's volume and transpose
    // envelopes, followed by its modulator's when it has FM; then the envelopes
    // of the exported effects that use them.
    static std::vector<TRegisteredEnvelope> RegisteredEnvelopes(const COvkModuleChannel& channel);

    // The counter that the channel envelope of a channel refers to (0 for an unused channel).
    int ChannelEnvelopeCounter(int channel) const { return m_channelCounters[channel].envelope; }

private:
    // The counter indices that one channel's tables refer to, in the order of
    // its oscillator and effect lists.
    struct TChannelCounters {
        int envelope = 0;
        std::vector<int> carrierVolume, carrierTranspose, modulatorVolume, modulatorTranspose;
        std::vector<int> effectA, effectB;
    };

    int Register(const TOvkEnvelope& envelope, int channel);
    void MakeOscillatorRows();
    void MakeEffectRows();
    std::uint32_t PatternCell(int channel, int pattern, int row) const;
    void WriteDefines(morvane::IOutputStream* stream) const;
    void WriteDefineLines(morvane::CTextWriter& out) const;
    void WriteOrderTable(morvane::IOutputStream* stream) const;
    void WritePatterns(morvane::IOutputStream* stream) const;
    void WriteEnvelopes(morvane::IOutputStream* stream) const;
    void WriteOscillators(morvane::IOutputStream* stream) const;
    void WriteEffects(morvane::IOutputStream* stream) const;
    void WriteChannels(morvane::IOutputStream* stream) const;

    const COvkModuleData& m_song;
    int m_length = 0;
    std::uint32_t m_rowLength = 0;
    bool m_channelUsed[kChannels] = {};
    bool m_patternUsed[kChannels][kPatterns] = {};
    int m_highestPattern[kChannels] = {};
    bool m_effectTypeUsed[EFFECT_OVERDRIVE + 1] = {};
    std::vector<const TOvkEnvelope*> m_envelopes;  // distinct, in order of first registration
    std::vector<TEnvelopeRow> m_envelopeRows;       // the same, as written
    std::vector<TCounterRow> m_counters;
    TChannelCounters m_channelCounters[kChannels];
    std::vector<TOscillatorRow> m_oscillatorRows;
    std::vector<TEffectRow> m_effectRows;
};

} // namespace ovk
