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

    std::size_t EnvelopeCount() const { return m_envelopes.size(); }
    std::size_t CounterCount() const { return m_counters.size(); }
    int OscillatorCount() const { return m_oscillatorCount; }
    int EffectCount() const { return m_effectCount; }

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
    struct TCounter {
        int envelope;  // index into m_envelopes; -1 for a constant
        int channel;   // -1 for a constant
        std::int32_t startValue;
    };
    // The counter indices that one channel's tables refer to, in the order of
    // its oscillator and effect lists.
    struct TChannelCounters {
        int envelope = 0;
        std::vector<int> carrierVolume, carrierTranspose, modulatorVolume, modulatorTranspose;
        std::vector<int> effectA, effectB;
    };

    int Register(const TOvkEnvelope& envelope, int channel);
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
    std::vector<TCounter> m_counters;
    TChannelCounters m_channelCounters[kChannels];
    int m_oscillatorCount = 0;
    int m_effectCount = 0;
};

} // namespace ovk
