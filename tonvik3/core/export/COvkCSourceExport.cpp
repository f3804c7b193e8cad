#include "core/export/COvkCSourceExport.h"

#include <cmath>

#include "core/synth/TOvkEnvelopeState.h"
#include "morvane/data/CTextWriter.h"

namespace ovk {

using morvane::CTextWriter;

namespace {

// Song values follow 32-bit two's-complement arithmetic, as the player does.
std::int32_t Wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }
std::uint32_t U(std::int32_t value) { return static_cast<std::uint32_t>(value); }

// One text writer per section: 8-bit characters, every line feed as CR LF.
CTextWriter SectionWriter(morvane::IOutputStream* stream)
{
    return CTextWriter(stream, morvane::CHARFORMAT_8BIT, morvane::LINEBREAK_CRLF);
}

const wchar_t* OscillatorTypeDefine(std::int32_t type)
{
    switch (type) {
    case OSC_SAW:
        return L"OVKSONGOSCTYPE_SAW";
    case OSC_SQUARE:
        return L"OVKSONGOSCTYPE_SQUARE";
    case OSC_NOISE:
        return L"OVKSONGOSCTYPE_NOISE";
    default:
        return L"OVKSONGOSCTYPE_SINE";
    }
}

bool IsAudibleType(std::int32_t type) { return type >= OSC_SINE && type <= OSC_NOISE; }

const wchar_t* EffectTypeDefine(std::int32_t type)
{
    static const wchar_t* const kNames[] = {
        L"OVKSONGEFFECTTYPE_DELAY",     L"OVKSONGEFFECTTYPE_FLANGE",    L"OVKSONGEFFECTTYPE_LOWPASS",
        L"OVKSONGEFFECTTYPE_HIGHPASS",  L"OVKSONGEFFECTTYPE_RESONANCE", L"OVKSONGEFFECTTYPE_OVERDRIVE",
    };
    return kNames[type];
}

// Positions in steps of 2048 (truncating toward zero); 255 for a position that is disabled.
COvkCSourceExport::TEnvelopeRow EnvelopeRow(const TOvkEnvelope& e)
{
    std::int32_t resetPatterns = 255;
    if (e.resetMode == RESET_PATTERN)
        resetPatterns = 0;
    else if (e.resetMode == RESET_SECOND_PATTERN)
        resetPatterns = 1;
    else if (e.resetMode == RESET_FOURTH_PATTERN)
        resetPatterns = 3;
    return {e.min,
            e.max,
            e.speed,
            e.phase / 2048,
            e.keepEnabled ? e.keepPosition / 2048 : 255,
            e.sustainEnabled ? e.sustainPosition / 2048 : 255,
            e.resetMode == RESET_NOTE,
            resetPatterns};
}

} // namespace

std::int32_t COvkCSourceExport::StartValue(const TOvkEnvelope& envelope)
{
    // The replayer starts its counters where the player does: at the value of a reset envelope.
    TOvkEnvelopeState state;
    state.stored = envelope;
    state.Reset();
    return state.value;
}

void COvkCSourceExport::Pitch(std::int32_t cents, std::int32_t& octave, std::int32_t& fraction)
{
    const std::int64_t octaves = cents >= 0 ? cents / 1200 : -((-static_cast<std::int64_t>(cents) + 1199) / 1200);
    const std::int64_t rest = cents - 1200 * octaves;  // 0-1199
    octave = static_cast<std::int32_t>(octaves + 8);
    const float exponent = static_cast<float>(static_cast<double>(rest) / 1200.0);
    const float power = static_cast<float>(std::exp2(static_cast<double>(exponent)));
    fraction = static_cast<std::int32_t>(std::trunc(256.0f * power)) - 256;
}

bool COvkCSourceExport::IsExported(const TOvkEffect& effect)
{
    return effect.type >= EFFECT_DELAY && effect.type <= EFFECT_OVERDRIVE;
}

int COvkCSourceExport::Register(const TOvkEnvelope& envelope, int channel)
{
    const std::int32_t start = StartValue(envelope);
    if (envelope.IsConstant()) {
        // Constant values with the same start value share the first one's counter.
        for (std::size_t i = 0; i < m_counters.size(); ++i)
            if (m_counters[i].envelope < 0 && m_counters[i].startValue == start)
                return static_cast<int>(i);
        m_counters.push_back({-1, -1, start});
        return static_cast<int>(m_counters.size() - 1);
    }
    int index = -1;
    for (std::size_t i = 0; i < m_envelopes.size() && index < 0; ++i)
        if (*m_envelopes[i] == envelope)
            index = static_cast<int>(i);
    if (index < 0) {
        m_envelopes.push_back(&envelope);
        m_envelopeRows.push_back(EnvelopeRow(envelope));
        index = static_cast<int>(m_envelopes.size() - 1);
    }
    m_counters.push_back({index, channel, start});
    return static_cast<int>(m_counters.size() - 1);
}

COvkCSourceExport::COvkCSourceExport(const COvkModuleData& song)
    : m_song(song), m_length(song.SongLength()), m_rowLength(song.RowLength())
{
    for (int c = 0; c < kChannels; ++c) {
        for (int position = 0; position < m_length; ++position) {
            const std::uint32_t pattern = song.orderTable[c][position];
            m_channelUsed[c] = m_channelUsed[c] || pattern != 0;
            // Only a damaged file holds a number outside 0-15; it names no pattern.
            if (pattern < static_cast<std::uint32_t>(kPatterns)) {
                m_patternUsed[c][pattern] = true;
                if (static_cast<int>(pattern) > m_highestPattern[c])
                    m_highestPattern[c] = static_cast<int>(pattern);
            }
        }
    }

    for (int c = 0; c < kChannels; ++c) {
        const COvkModuleChannel& channel = song.channels[c];
        TChannelCounters& counters = m_channelCounters[c];
        const std::size_t pairs = channel.carriers.size();
        counters.carrierVolume.assign(pairs, 0);
        counters.carrierTranspose.assign(pairs, 0);
        counters.modulatorVolume.assign(pairs, 0);
        counters.modulatorTranspose.assign(pairs, 0);
        counters.effectA.assign(channel.effects.size(), 0);
        counters.effectB.assign(channel.effects.size(), 0);
        if (!m_channelUsed[c])
            continue;

        for (const TRegisteredEnvelope& r : RegisteredEnvelopes(channel)) {
            const int counter = Register(*r.envelope, c);
            switch (r.role) {
            case ROLE_CHANNEL:
                counters.envelope = counter;
                break;
            case ROLE_CARRIER_VOLUME:
                counters.carrierVolume[r.index] = counter;
                break;
            case ROLE_CARRIER_TRANSPOSE:
                counters.carrierTranspose[r.index] = counter;
                break;
            case ROLE_MODULATOR_VOLUME:
                counters.modulatorVolume[r.index] = counter;
                break;
            case ROLE_MODULATOR_TRANSPOSE:
                counters.modulatorTranspose[r.index] = counter;
                break;
            case ROLE_EFFECT_A:
                counters.effectA[r.index] = counter;
                break;
            case ROLE_EFFECT_B:
                counters.effectB[r.index] = counter;
                break;
            }
        }
        for (const TOvkEffect& effect : channel.effects)
            if (IsExported(effect))
                m_effectTypeUsed[effect.type] = true;
    }
    MakeOscillatorRows();
    MakeEffectRows();
}

void COvkCSourceExport::MakeOscillatorRows()
{
    auto row = [this](const TOvkOscillator& oscillator, int channel, int carrierRow, int volumeCounter,
                      int transposeCounter) {
        TOscillatorRow r{};
        Pitch(oscillator.cents, r.octave, r.fraction);
        r.type = IsAudibleType(oscillator.type) ? oscillator.type : OSC_SINE;
        r.channel = channel;
        r.carrier = carrierRow;
        r.volume = IsAudibleType(oscillator.type) ? oscillator.volume : 0;
        r.volumeCounter = volumeCounter;
        r.transposeCounter = transposeCounter;
        m_oscillatorRows.push_back(r);
    };
    // Every channel, used or not: its carriers, then the modulators of the carriers with FM.
    for (int c = 0; c < kChannels; ++c) {
        const COvkModuleChannel& channel = m_song.channels[c];
        const TChannelCounters& counters = m_channelCounters[c];
        const int firstCarrierRow = static_cast<int>(m_oscillatorRows.size());
        for (std::size_t i = 0; i < channel.carriers.size(); ++i)
            row(channel.carriers[i], c, -1, counters.carrierVolume[i], counters.carrierTranspose[i]);
        for (std::size_t i = 0; i < channel.carriers.size(); ++i)
            if (channel.carriers[i].fmEnabled)
                row(channel.ModulatorOf(i), c, firstCarrierRow + static_cast<int>(i), counters.modulatorVolume[i],
                    counters.modulatorTranspose[i]);
    }
}

void COvkCSourceExport::MakeEffectRows()
{
    for (int c = 0; c < kChannels; ++c) {
        if (!m_channelUsed[c])
            continue;
        const COvkModuleChannel& channel = m_song.channels[c];
        const TChannelCounters& counters = m_channelCounters[c];
        for (std::size_t i = 0; i < channel.effects.size(); ++i) {
            const TOvkEffect& e = channel.effects[i];
            const int a = counters.effectA[i], b = counters.effectB[i];
            switch (e.type) {
            case EFFECT_DELAY:
                m_effectRows.push_back({e.p2, 0, Wrap(m_rowLength * U(e.p1) / 100u), c, e.type, 0, 0});
                break;
            case EFFECT_FLANGE:
                m_effectRows.push_back({0, 0, Wrap(U(e.envelopeA.max) + 1u), c, e.type, a, 0});
                break;
            case EFFECT_LOWPASS:
            case EFFECT_HIGHPASS:
                m_effectRows.push_back({e.p1, 0, 1, c, e.type, a, 0});
                break;
            case EFFECT_RESONANCE:
                m_effectRows.push_back({e.p1, e.p2, 1, c, e.type, a, b});
                break;
            case EFFECT_OVERDRIVE: {
                // A clip limit of 0 would divide by zero: its gain is written as 0.
                const std::uint32_t limit = U(e.p1) * 127u;
                const std::uint32_t gain = limit == 0 ? 0 : U(e.p2) * 32767u / limit;
                m_effectRows.push_back({Wrap(limit), Wrap(gain), 1, c, e.type, 0, a});
                break;
            }
            default:
                break;  // band-pass and unknown types have no form in the replayer
            }
        }
    }
}

std::uint32_t COvkCSourceExport::OrderEntry(int position) const
{
    std::uint32_t entry = 0;
    for (int c = kChannels - 1; c >= 0; --c)
        entry = (entry << 4) + m_song.orderTable[c][position];
    return entry;
}

std::vector<std::uint32_t> COvkCSourceExport::PatternCells() const
{
    std::vector<std::uint32_t> cells;
    for (int c = 0; c < kChannels; ++c)
        for (int p = 1; p <= m_highestPattern[c]; ++p)
            for (int row = 0; row < kRows; ++row)
                cells.push_back(PatternCell(c, p, row));
    return cells;
}

std::uint32_t COvkCSourceExport::PatternCell(int channel, int pattern, int row) const
{
    const std::uint32_t note = m_song.patterns[channel][pattern][row];
    if (!m_patternUsed[channel][pattern] || note == 0)
        return 0;
    if (note < kStopNote)
        return (note - 1) / 12 * 16 + (note - 1) % 12;  // octave digit, then note digit
    return kStopNote;
}

std::vector<COvkCSourceExport::TRegisteredEnvelope> COvkCSourceExport::RegisteredEnvelopes(
    const COvkModuleChannel& channel)
{
    // The player's list of a channel: the channel envelope, four envelopes for
    // every pair (carrier volume and transpose, modulator volume and transpose),
    // then envelopes A and B of every effect, whatever its type.
    const std::size_t pairs = channel.carriers.size();
    const std::size_t firstEffect = 1 + 4 * pairs;
    std::vector<TRegisteredEnvelope> list;
    list.push_back({&channel.envelope, ROLE_CHANNEL, 0, 0});
    for (std::size_t i = 0; i < pairs; ++i) {
        const TOvkOscillator& carrier = channel.carriers[i];
        list.push_back({&carrier.volumeEnvelope, ROLE_CARRIER_VOLUME, i, 1 + 4 * i});
        list.push_back({&carrier.transposeEnvelope, ROLE_CARRIER_TRANSPOSE, i, 2 + 4 * i});
        if (carrier.fmEnabled) {
            // A damaged file may hold fewer modulators: a missing one is a default record.
            const TOvkOscillator& modulator = channel.ModulatorOf(i);
            list.push_back({&modulator.volumeEnvelope, ROLE_MODULATOR_VOLUME, i, 3 + 4 * i});
            list.push_back({&modulator.transposeEnvelope, ROLE_MODULATOR_TRANSPOSE, i, 4 + 4 * i});
        }
    }
    for (std::size_t i = 0; i < channel.effects.size(); ++i) {
        const TOvkEffect& effect = channel.effects[i];
        // A delay uses no envelope; only the resonance uses envelope B.
        if (!IsExported(effect) || effect.type == EFFECT_DELAY)
            continue;
        list.push_back({&effect.envelopeA, ROLE_EFFECT_A, i, firstEffect + 2 * i});
        if (effect.type == EFFECT_RESONANCE)
            list.push_back({&effect.envelopeB, ROLE_EFFECT_B, i, firstEffect + 2 * i + 1});
    }
    return list;
}

void COvkCSourceExport::Write(morvane::IOutputStream* stream) const
{
    WriteDefines(stream);
    WriteOrderTable(stream);
    WritePatterns(stream);
    WriteEnvelopes(stream);
    WriteOscillators(stream);
    WriteEffects(stream);
    WriteChannels(stream);
    SectionWriter(stream).Write(L"// End\n");
}

void COvkCSourceExport::WriteDefines(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"// Defines - move these lines into OvkSongDataDefines.h\n");
    WriteDefineLines(out);
    out.Write(L"\n");
}

void COvkCSourceExport::WriteDefinesFile(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    WriteDefineLines(out);
}

void COvkCSourceExport::WriteDefineLines(CTextWriter& out) const
{
    out.Write(L"#ifndef OVKSONGDATADEFINES_H\n");
    out.Write(L"#define OVKSONGDATADEFINES_H\n");
    out.Write(L"#define OVKSONG_LEN 0x%X\n", static_cast<unsigned>(m_length));
    out.Write(L"#define OVKSONG_ROWLENSAMPLES %d\n", static_cast<int>(m_rowLength));
    out.Write(L"#define OVKSONG_ENVLISTSIZE %d\n", static_cast<int>(m_envelopeRows.size()));
    out.Write(L"#define OVKSONG_ENVCOUNTERLISTSIZE %d\n", static_cast<int>(m_counters.size()));
    out.Write(L"#define OVKSONG_OSCLISTSIZE %d\n", OscillatorCount());
    out.Write(L"#define OVKSONG_EFFECTLISTSIZE %d\n", EffectCount());
    out.Write(L"#define OVKSONG_VOL %d\n", m_song.masterVolume);
    static const wchar_t* const kEnableDefines[] = {
        L"DELAY", L"FLANGE", L"LOWPASS", L"HIGHPASS", L"RESONANCE", L"OVERDRIVE",
    };
    static const int kEnableOrder[] = {EFFECT_DELAY,    EFFECT_FLANGE,    EFFECT_LOWPASS,
                                       EFFECT_HIGHPASS, EFFECT_RESONANCE, EFFECT_OVERDRIVE};
    for (int i = 0; i < 6; ++i)
        out.Write(L"%ls#define OVKSONG_ENABLE_%lsEFFECT\n", m_effectTypeUsed[kEnableOrder[i]] ? L"" : L"//",
                  kEnableDefines[i]);
    out.Write(L"#endif\n");
}

void COvkCSourceExport::WriteOrderTable(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"// Exported song data\n\n#include \"OvkSongDataTypes.h\"\n\n");
    out.Write(L"#define NULL 0\n\n");
    out.Write(L"unsigned int OvkSongOrderTable[] = { \n  ");
    // One entry per position: a 0, then one hexadecimal digit per channel, channel 0 lowest.
    for (int position = 0; position < m_length; ++position) {
        if (position > 0 && position % 8 == 0)
            out.Write(L"\n  ");
        const auto& order = m_song.orderTable;
        out.Write(L"0x%X%X%X%X%X%X%X%X%X, ", 0u, order[7][position], order[6][position], order[5][position],
                  order[4][position], order[3][position], order[2][position], order[1][position],
                  order[0][position]);
    }
    out.Write(L"\n};\n\n");
}

void COvkCSourceExport::WritePatterns(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"unsigned char OvkSongPatternData[] = {\n");
    for (int c = 0; c < kChannels; ++c) {
        out.Write(L"// channel %d\n", c + 1);
        // Pattern 0 is never written; unused patterns below the highest are written empty.
        for (int p = 1; p <= m_highestPattern[c]; ++p) {
            out.Write(L"  ");
            for (int row = 0; row < kRows; ++row) {
                const std::uint32_t note = m_song.patterns[c][p][row];
                if (!m_patternUsed[c][p] || note == 0)
                    out.Write(L"0,    ");
                else if (note < kStopNote)
                    out.Write(L"0x%X%X, ", (note - 1) / 12, (note - 1) % 12);
                else
                    out.Write(L"255,  ");
            }
            out.Write(L"\n");
        }
    }
    out.Write(L"};\n\n");
    out.Write(L"unsigned char OvkSongPatternLookupTable[] = { ");
    int written = 0;
    for (int c = 0; c < kChannels; ++c) {
        out.Write(L"%d, ", written);
        written += m_highestPattern[c];
    }
    out.Write(L"};\n\n");
}

void COvkCSourceExport::WriteEnvelopes(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"TOvkSongEnvelope OvkSongEnvList[] = { \n");
    for (const TEnvelopeRow& e : m_envelopeRows)
        out.Write(L"  { %d, %d, %d, %d, %d, %d, %ls, %d, }, \n", e.min, e.max, e.speed, e.phase, e.keep, e.sustain,
                  e.resetOnNote ? L"true" : L"false", e.resetPatterns);
    out.Write(L"};\n\n");

    CTextWriter counters = SectionWriter(stream);
    counters.Write(L"TOvkSongEnvelopeCounter OvkSongEnvCounterList[] = {\n ");
    for (std::size_t i = 0; i < m_counters.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            counters.Write(L"\n  ");
        counters.Write(L"{ %d, %d, %d }, ", m_counters[i].envelope, m_counters[i].channel, m_counters[i].startValue);
    }
    counters.Write(L"\n};\n\n");
}

void COvkCSourceExport::WriteOscillators(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"TOvkSongOscillator OvkSongOscillatorList[] = {\n");
    for (const TOscillatorRow& o : m_oscillatorRows)
        out.Write(L"  { %d, %d, %ls, %d, %d, %d, %d, %d }, \n", o.octave, o.fraction, OscillatorTypeDefine(o.type),
                  o.channel, o.carrier, o.volume, o.volumeCounter, o.transposeCounter);
    out.Write(L"\n};\n\n");
}

void COvkCSourceExport::WriteEffects(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"TOvkSongEffect OvkSongEffectList[] = {\n");
    for (const TEffectRow& e : m_effectRows)
        out.Write(L"  { %d, %d, %d, %d, %ls, %d, %d }, \n", e.a, e.b, e.c, e.channel, EffectTypeDefine(e.type),
                  e.counterA, e.counterB);
    out.Write(L"\n};\n\n");
}

void COvkCSourceExport::WriteChannels(morvane::IOutputStream* stream) const
{
    CTextWriter out = SectionWriter(stream);
    out.Write(L"unsigned char OvkSongChannelVol[8] = {");
    for (int c = 0; c < kChannels; ++c)
        out.Write(c == 0 ? L"%d" : L", %d", m_song.channels[c].volume);
    out.Write(L" };\n");
    out.Write(L"unsigned char OvkSongChannelEnvCounter[8] = {");
    for (int c = 0; c < kChannels; ++c)
        out.Write(c == 0 ? L"%d" : L", %d", m_channelCounters[c].envelope);
    out.Write(L" };\n");
    out.Write(L"bool OvkSongChannelStopNote[8] = {");
    for (int c = 0; c < kChannels; ++c)
        out.Write(c == 0 ? L"%ls" : L", %ls", m_song.channels[c].envelope.sustainEnabled ? L"false" : L"true");
    out.Write(L" };\n");
    out.Write(L"\n");
}

} // namespace ovk
