#pragma once
#include <string>
#include <vector>
#include "core/song/COvkModuleData.h"

namespace ovk {

// The ways in which what the replayer plays from the C tables can differ
// from what the editor plays, in the order the report lists them.
enum class TReplayerLimit {
    OrderEntries,         // order entries above 15 do not fit their digit
    PatternZero,          // notes in pattern 0, which the player plays and the export leaves out
    NoteValues,           // note values 193-254 (and damaged ones) have no form in the tables
    LowestNote,           // note value 1 is written as 0x00, which reads as an empty row
    ChannelVolume,        // the channel volume table holds bytes
    ChannelEnvelopeIndex, // so does the table of the channel envelopes' counters
    OscillatorPitch,      // cents that are not whole semitones
    NoiseModulator,       // a noise modulator behind a carrier without FM still draws numbers
    EnvelopePositions,    // phase, keep and sustain positions are written in steps of 2048
    EnvelopePosition255,  // a keep or sustain position of 255 steps reads as "disabled"
    MovingConstant,       // an envelope kept at 0 that still moves is written as a constant
    EnvelopeListFull,     // the player moves only a channel's first 256 envelopes
    Overdrive,            // the tables hold the overdrive's gain, not its level
    EffectLine,           // a delay or flange line that the editor does not make and the replayer does
    LinePool,             // one that the replayer's line pool does not hold by default
};

// One way in which one channel of a song plays differently through the replayer.
struct TReplayerDeparture {
    int channel = 0;  // 0-7
    TReplayerLimit limit = TReplayerLimit::OrderEntries;
    std::string text;  // what is lost, e.g. "overdrive approximated"

    // "channel 2: overdrive approximated" (channels counted from 1).
    std::string Line() const;
};

// Every way in which the replayer, playing the song's C export, would not
// give the editor's samples: channel by channel, in TReplayerLimit order
// within a channel. Only what reaches the ear counts (channels that start
// notes, oscillators and envelopes whose values are heard, effects that the
// export writes). Empty exactly when the replayer plays the song sample for
// sample, given the replayer follows the tables as they are meant.
std::vector<TReplayerDeparture> ReplayerDepartures(const COvkModuleData& song);

// The departures as text, one line each (each ending in a line feed), or a
// single line saying that the song plays exactly.
std::string ReplayerReport(const std::vector<TReplayerDeparture>& departures);

// The line of a song that the replayer plays exactly.
inline constexpr const char kReplayerExactLine[] = "The replayer plays this song exactly as the editor does.";

} // namespace ovk
