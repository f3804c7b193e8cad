#include "core/export/ReplayerLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <unordered_set>

#include "core/export/COvkCSourceExport.h"
#include "core/synth/COvkChannelVoice.h"
#include "core/synth/COvkEffectState.h"
#include "core/synth/TOvkEnvelopeState.h"
#include "core/synth/TOvkOscillatorState.h"

namespace ovk {

namespace {

using TRegistered = COvkCSourceExport::TRegisteredEnvelope;

// The tables write positions in steps of 2048; 255 steps stands for "disabled".
constexpr std::int32_t kPositionStep = 2048;
constexpr std::int32_t kDisabledSteps = 255;
// Byte-sized tables: channel volumes, channel envelope counters, pattern notes.
constexpr std::int32_t kByteMax = 255;
// The highest note value whose octave and note digits make one byte (0xFB).
constexpr std::uint32_t kHighestWritableNote = 192;

std::string Counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// What the player reaches of one channel's note data below the song length.
struct TChannelReach {
    bool used = false;               // some order entry is not 0: the export writes its instrument
    bool oversizedEntry = false;     // some entry is above 15
    bool reached[kPatterns] = {};    // patterns played (0 wherever an entry is 0)
    std::set<std::uint32_t> started; // note values that start a note (neither 0 nor the stop note)
};

TChannelReach ReachOf(const COvkModuleData& song, int c)
{
    TChannelReach reach;
    const int length = song.SongLength();
    for (int position = 0; position < length; ++position) {
        const std::uint32_t pattern = song.orderTable[c][position];
        reach.used = reach.used || pattern != 0;
        if (pattern >= static_cast<std::uint32_t>(kPatterns))
            reach.oversizedEntry = true;
        else
            reach.reached[pattern] = true;
    }
    for (int p = 0; p < kPatterns; ++p)
        for (int row = 0; row < kRows && reach.reached[p]; ++row) {
            const std::uint32_t note = song.patterns[c][p][row];
            if (note != 0 && note != kStopNote)
                reach.started.insert(note);
        }
    return reach;
}

// True when the envelope's value, as the player moves it from a reset,
// through held and stopped notes, ever differs from its value at the reset.
// The states are (counter, held by a sustain); the search gives up, and says
// it moves, after so many states that only absurd fields reach it.
bool LeavesStartValue(const TOvkEnvelope& envelope)
{
    if (envelope.min == envelope.max)
        return false;
    constexpr std::size_t kMaxStates = 1u << 18;
    const std::int32_t start = COvkCSourceExport::StartValue(envelope);
    TOvkEnvelopeState state;
    state.stored = envelope;
    // Only a note's reset holds an envelope at its sustain position.
    const bool canHold = envelope.resetMode == RESET_NOTE && envelope.sustainEnabled;
    std::unordered_set<std::uint64_t> seen;
    std::vector<std::pair<std::int32_t, bool>> open{{0, false}};
    if (canHold)
        open.emplace_back(0, true);
    while (!open.empty()) {
        const auto [counter, held] = open.back();
        open.pop_back();
        const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(counter)) << 1) | held;
        if (!seen.insert(key).second)
            continue;
        if (seen.size() > kMaxStates)
            return true;
        state.counter = counter;
        state.released = !held;
        const std::int32_t next = state.NextCounter();
        if (state.ValueAt(next) != start)
            return true;
        open.emplace_back(next, held);
        if (held)
            open.emplace_back(counter, false);  // a stop note
    }
    return false;
}

// The pitch, in cents from the played note, that the replayer takes from an
// oscillator's octave and fraction: a whole semitone exactly where the
// fraction is one of the twelve semitones', otherwise the ratio
// 1 + fraction / 256 within the octave.
double ReplayedCents(std::int32_t cents)
{
    std::int32_t octave = 0, fraction = 0;
    COvkCSourceExport::Pitch(cents, octave, fraction);
    const double octaveCents = (static_cast<double>(octave) - 8.0) * 1200.0;
    for (std::int32_t semitone = 0; semitone < 12; ++semitone) {
        std::int32_t semitoneOctave = 0, semitoneFraction = 0;
        COvkCSourceExport::Pitch(semitone * 100, semitoneOctave, semitoneFraction);
        if (semitoneFraction == fraction)
            return octaveCents + semitone * 100.0;
    }
    return octaveCents + 1200.0 * std::log2(1.0 + fraction / 256.0);
}

std::int32_t ClampedCents(double cents)
{
    return static_cast<std::int32_t>(std::clamp(cents, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                                                static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

// Finds the departures of one song, channel by channel.
class CDepartureFinder {
public:
    explicit CDepartureFinder(const COvkModuleData& song) : m_song(song), m_export(song)
    {
        for (int c = 0; c < kChannels; ++c)
            m_reach[c] = ReachOf(song, c);
        FindEffectDepartures();
        FindAudibleNoise();
    }

    std::vector<TReplayerDeparture> Find()
    {
        for (int c = 0; c < kChannels; ++c) {
            m_channel = c;
            CheckNoteData();
            CheckByteTables();
            // A channel that never starts a note is silent in both.
            if (!m_reach[c].used || m_reach[c].started.empty())
                continue;
            CheckPitches();
            CheckNoiseModulators();
            CheckEnvelopes();
            CheckEffects();
        }
        return std::move(m_departures);
    }

private:
    void Add(TReplayerLimit limit, std::string text) { m_departures.push_back({m_channel, limit, std::move(text)}); }

    const COvkModuleChannel& Channel() const { return m_song.channels[m_channel]; }
    const TChannelReach& Reach() const { return m_reach[m_channel]; }

    void CheckNoteData()
    {
        const TChannelReach& reach = Reach();
        if (reach.oversizedEntry)
            Add(TReplayerLimit::OrderEntries, "order entries above 15 cannot be written");
        // Pattern 0 plays wherever an entry is 0; stop notes alone in a channel
        // that never starts a note change nothing.
        const auto& rows = m_song.patterns[m_channel][0];
        if (reach.reached[0] && !reach.started.empty() &&
            std::any_of(std::begin(rows), std::end(rows), [](std::uint32_t note) { return note != 0; }))
            Add(TReplayerLimit::PatternZero, "notes in pattern 0 cannot be written");
        bool unwritable = false;
        bool lowest = false;
        for (int p = 1; p < kPatterns; ++p)
            for (int row = 0; row < kRows && reach.reached[p]; ++row) {
                const std::uint32_t note = m_song.patterns[m_channel][p][row];
                unwritable = unwritable || (note > kHighestWritableNote && note != kStopNote);
                lowest = lowest || note == 1;
            }
        if (unwritable)
            Add(TReplayerLimit::NoteValues, "note values above 192 cannot be written");
        // Octave 0, note 0 packs into the byte of an empty row.
        if (lowest)
            Add(TReplayerLimit::LowestNote, "note value 1 (C-0) is written as an empty row and not played");
    }

    // Values that do not fit the byte tables make an export that does not compile.
    void CheckByteTables()
    {
        const std::int32_t volume = Channel().volume;
        if (volume < 0 || volume > kByteMax)
            Add(TReplayerLimit::ChannelVolume, "volume " + std::to_string(volume) + " cannot be written (0-255)");
        const int counter = m_export.ChannelEnvelopeCounter(m_channel);
        if (counter > kByteMax)
            Add(TReplayerLimit::ChannelEnvelopeIndex,
                "the channel envelope's counter " + std::to_string(counter) + " cannot be written (0-255)");
    }

    // Whether an oscillator's pitch reaches the ear: the phase of a sine, saw
    // or square that has a volume; of a noise only whether it moves at all
    // (an oscillator whose step is 0 is silent and draws nothing).
    bool PitchMatters(const TOvkOscillator& oscillator, double replayed) const
    {
        if (oscillator.type >= OSC_SINE && oscillator.type <= OSC_SQUARE)
            return oscillator.volume != 0;
        if (oscillator.type != OSC_NOISE)
            return false;
        const std::int32_t below = ClampedCents(std::floor(replayed)), above = ClampedCents(std::ceil(replayed));
        for (std::uint32_t note : Reach().started) {
            const bool still = NoteIncrement(note, oscillator.cents) == 0;
            if (still != (NoteIncrement(note, below) == 0) || still != (NoteIncrement(note, above) == 0))
                return true;
        }
        return false;
    }

    void CheckPitches()
    {
        std::size_t detuned = 0;
        double lower = 0, higher = 0;  // the largest errors each way, in cents
        auto check = [&](const TOvkOscillator& oscillator) {
            if (oscillator.cents % 100 == 0)
                return;
            const double replayed = ReplayedCents(oscillator.cents);
            if (!PitchMatters(oscillator, replayed))
                return;
            ++detuned;
            const double error = static_cast<double>(oscillator.cents) - replayed;
            lower = std::max(lower, error);
            higher = std::max(higher, -error);
        };
        const COvkModuleChannel& channel = Channel();
        for (std::size_t i = 0; i < channel.carriers.size(); ++i) {
            check(channel.carriers[i]);
            if (channel.carriers[i].fmEnabled)
                check(channel.ModulatorOf(i));
        }
        if (detuned == 0)
            return;
        std::string text = Counted(detuned, "oscillator", "oscillators") + " detuned by less than a semitone, played ";
        if (higher > 0 && lower > 0)
            text += Format("from %.1f cents higher", higher) + Format(" to %.1f cents lower", lower);
        else if (higher > 0)
            text += Format("up to %.1f cents higher", higher);
        else
            text += Format("up to %.1f cents lower", lower);
        Add(TReplayerLimit::OscillatorPitch, text);
    }

    // The tables leave out the modulator of a carrier without FM, but the
    // player still evaluates it: a noise one draws numbers from the generator
    // that every noise oscillator shares, which moves every later draw.
    void CheckNoiseModulators()
    {
        if (!m_audibleNoise)
            return;
        const COvkModuleChannel& channel = Channel();
        std::size_t drawing = 0;
        for (std::size_t i = 0; i < channel.carriers.size(); ++i)
            drawing += !channel.carriers[i].fmEnabled && channel.ModulatorOf(i).type == OSC_NOISE;
        if (drawing == 1)
            Add(TReplayerLimit::NoiseModulator,
                "a noise modulator behind a carrier without FM is left out, which moves every later noise draw");
        else if (drawing > 1)
            Add(TReplayerLimit::NoiseModulator, std::to_string(drawing) +
                                                    " noise modulators behind carriers without FM are left out, "
                                                    "which moves every later noise draw");
    }

    void CheckEnvelopes()
    {
        bool rounded = false, disabledByValue = false;
        std::size_t movingConstants = 0, heldAt256 = 0;
        for (const TRegistered& r : COvkCSourceExport::RegisteredEnvelopes(Channel())) {
            const TOvkEnvelope& e = *r.envelope;
            const std::int32_t start = COvkCSourceExport::StartValue(e);
            if (r.listPosition >= COvkChannelVoice::kMaxEnvelopes) {
                // The player neither moves nor resets it: it keeps the value 256
                // that a new envelope has. The replayer gives it its own values.
                const bool replayerMoves = !e.IsConstant() && LeavesStartValue(e);
                heldAt256 += start != 256 || replayerMoves;
                continue;
            }
            if (e.IsConstant()) {
                // Written as its start value for ever; a negative speed, or a
                // sustain below 0, still moves it in the player.
                movingConstants += LeavesStartValue(e);
                continue;
            }
            // A sustain position holds only an envelope that a note resets.
            const bool sustainHolds = e.sustainEnabled && e.resetMode == RESET_NOTE;
            rounded = rounded || e.phase % kPositionStep != 0 || (e.keepEnabled && e.keepPosition % kPositionStep != 0) ||
                      (sustainHolds && e.sustainPosition % kPositionStep != 0);
            disabledByValue = disabledByValue || (e.keepEnabled && e.keepPosition / kPositionStep == kDisabledSteps) ||
                              (sustainHolds && e.sustainPosition / kPositionStep == kDisabledSteps);
        }
        if (rounded)
            Add(TReplayerLimit::EnvelopePositions, "envelope positions rounded to steps of 2048");
        if (disabledByValue)
            Add(TReplayerLimit::EnvelopePosition255,
                "envelope keep or sustain positions of 255 steps of 2048 read as disabled");
        if (movingConstants == 1)
            Add(TReplayerLimit::MovingConstant, "an envelope kept at position 0 that still moves is written as a constant");
        else if (movingConstants > 1)
            Add(TReplayerLimit::MovingConstant, std::to_string(movingConstants) +
                                                    " envelopes kept at position 0 that still move are written as "
                                                    "constants");
        if (heldAt256 > 0)
            Add(TReplayerLimit::EnvelopeListFull, "more than 256 envelopes: the editor holds " +
                                                      std::to_string(heldAt256) +
                                                      " of them at 256, the replayer does not");
    }

    void CheckEffects()
    {
        if (m_overdriveApproximated[m_channel])
            Add(TReplayerLimit::Overdrive, "overdrive approximated");
        const std::size_t extra = m_linesOnlyReplayer[m_channel];
        if (extra == 1)
            Add(TReplayerLimit::EffectLine,
                "a delay or flange whose line the editor cannot make, so that it passes its input there");
        else if (extra > 1)
            Add(TReplayerLimit::EffectLine, std::to_string(extra) +
                                                " delays or flanges whose lines the editor cannot make, so that they "
                                                "pass their input there");
        const std::size_t missing = m_linesOnlyPlayer[m_channel];
        if (missing > 0)
            Add(TReplayerLimit::LinePool, Counted(missing, "delay or flange does", "delays or flanges do") +
                                              " not fit the replayer's line pool: define OVKSONG_LINEPOOLSIZE as " +
                                              std::to_string(m_poolNeeded) + " or more");
    }

    // Follows the exported effects into the replayer, table row by table row.
    void FindEffectDepartures()
    {
        // The player: every effect of every channel takes its delay line from
        // one budget, in chain order; a line that is too long or does not fit
        // is not made and its effect passes its input.
        CEffectLineBudget budget;
        const std::uint32_t rowLength = m_song.RowLength();
        // The replayer: the lines of the delays and flanges in the table, one
        // after the other, from its pool. By default it holds the editor's
        // longest delay (32 rows) for every effect of the table.
        const std::uint64_t pool = static_cast<std::uint64_t>(m_export.EffectCount()) * (32ull * rowLength + 2);
        std::uint64_t used = 0;
        std::size_t row = 0;
        for (int c = 0; c < kChannels; ++c) {
            for (const TOvkEffect& effect : m_song.channels[c].effects) {
                const std::uint64_t bytes = COvkEffectState::LineBytes(effect, rowLength);
                const bool playerMakes = budget.Take(bytes) && bytes > 0;
                if (!m_reach[c].used || !COvkCSourceExport::IsExported(effect))
                    continue;
                const COvkCSourceExport::TEffectRow& r = m_export.EffectRows()[row++];
                if (r.type == EFFECT_OVERDRIVE)
                    m_overdriveApproximated[c] = m_overdriveApproximated[c] || !OverdriveLevelKept(r, effect);
                if (r.type != EFFECT_DELAY && r.type != EFFECT_FLANGE)
                    continue;
                // A delay's third value is its delay, a flange's its envelope's max + 1.
                const std::uint32_t length = static_cast<std::uint32_t>(r.c) + (r.type == EFFECT_DELAY ? 2u : 1u);
                const bool possible = length != 0 && length <= COvkEffectState::kMaxLineLength;
                const bool replayerMakes = possible && length <= pool - used;
                used += replayerMakes ? length : 0;
                m_poolNeeded += possible ? length : 0;
                m_linesOnlyReplayer[c] += replayerMakes && !playerMakes;
                m_linesOnlyPlayer[c] += playerMakes && !replayerMakes;
            }
        }
    }

    // The tables hold the overdrive's clip limit L = p1 x 127 and the quotient
    // p2 x 32767 / L; the replayer takes the smallest level that gives that
    // quotient, which is p2 itself while L lies between 1 and 32766.
    static bool OverdriveLevelKept(const COvkCSourceExport::TEffectRow& r, const TOvkEffect& effect)
    {
        const std::uint32_t level =
            (static_cast<std::uint32_t>(r.b) * static_cast<std::uint32_t>(r.a) + 32766u) / 32767u;
        return static_cast<std::int32_t>(level) == effect.p2;
    }

    // Whether some noise that the export writes is heard: a noise carrier, or
    // the noise modulator of a carrier with FM that is heard, with a volume.
    void FindAudibleNoise()
    {
        for (int c = 0; c < kChannels; ++c) {
            if (!m_reach[c].used || m_reach[c].started.empty())
                continue;
            const COvkModuleChannel& channel = m_song.channels[c];
            for (std::size_t i = 0; i < channel.carriers.size(); ++i) {
                const TOvkOscillator& carrier = channel.carriers[i];
                const TOvkOscillator& modulator = channel.ModulatorOf(i);
                const bool carrierHeard = carrier.volume != 0 && carrier.type >= OSC_SINE && carrier.type <= OSC_SQUARE;
                m_audibleNoise = m_audibleNoise || (carrier.type == OSC_NOISE && carrier.volume != 0) ||
                                 (carrier.fmEnabled && carrierHeard && modulator.type == OSC_NOISE &&
                                  modulator.volume != 0);
            }
        }
    }

    const COvkModuleData& m_song;
    const COvkCSourceExport m_export;
    TChannelReach m_reach[kChannels];
    bool m_overdriveApproximated[kChannels] = {};
    std::size_t m_linesOnlyReplayer[kChannels] = {};  // lines that the player does not make
    std::size_t m_linesOnlyPlayer[kChannels] = {};    // lines that do not fit the replayer's pool
    std::uint64_t m_poolNeeded = 0;                   // the pool that every line the replayer can make fits in
    bool m_audibleNoise = false;
    int m_channel = 0;
    std::vector<TReplayerDeparture> m_departures;
};

} // namespace

std::string TReplayerDeparture::Line() const { return "channel " + std::to_string(channel + 1) + ": " + text; }

std::vector<TReplayerDeparture> ReplayerDepartures(const COvkModuleData& song) { return CDepartureFinder(song).Find(); }

std::string ReplayerReport(const std::vector<TReplayerDeparture>& departures)
{
    if (departures.empty())
        return std::string(kReplayerExactLine) + "\n";
    std::string report;
    for (const TReplayerDeparture& departure : departures)
        report += departure.Line() + "\n";
    return report;
}

} // namespace ovk
