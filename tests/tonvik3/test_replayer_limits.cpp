// What the replayer cannot play exactly from the C tables: each limit at and
// beyond its boundary, songs within every limit, and, where the verdict rests
// on how the player treats a song, renders that show it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/export/ReplayerLimits.h"
#include "core/synth/CNoiseGenerator.h"
#include "support/TestSupport.h"

using namespace tonvik_test;
using ovk::COvkModuleData;
using ovk::TOvkEffect;
using ovk::TOvkEnvelope;
using ovk::TOvkOscillator;

namespace {

std::vector<std::string> Lines(const COvkModuleData& song)
{
    std::vector<std::string> lines;
    for (const ovk::TReplayerDeparture& d : ovk::ReplayerDepartures(song))
        lines.push_back(d.Line());
    return lines;
}

using TLines = std::vector<std::string>;

// Order position 0 plays pattern 1 in the given channels; its first row starts note 58.
COvkModuleData Playing(std::initializer_list<int> channels)
{
    COvkModuleData song;
    for (int c : channels) {
        song.orderTable[c][0] = 1;
        song.patterns[c][1][0] = 58;
    }
    return song;
}

TOvkOscillator Oscillator(int type, int cents = 0, int volume = 100)
{
    TOvkOscillator o;
    o.type = type;
    o.cents = cents;
    o.volume = volume;
    return o;
}

TOvkEffect Effect(int type)
{
    TOvkEffect e;
    e.SetType(type);
    return e;
}

// The whole song through the player, on a fresh noise generator.
TSamples Render(const COvkModuleData& song)
{
    ovk::CNoiseGenerator::ResetForThisThread();
    const auto module = NewModule();
    Edit(module.Get(), [&](COvkModuleData& data) { data = song; });
    return ReadSamples(NewPlayer(module.Get()).Get(), 16 * 5512 + 1);
}

TEST(ReplayerLimits, ASongWithinEveryLimitPlaysExactly)
{
    COvkModuleData song = Playing({0, 1, 2, 3});
    song.orderTable[0][1] = 15;   // the highest pattern; positions with entry 0 play an empty pattern 0
    song.patterns[0][15][0] = 2;  // the lowest and highest notes the tables hold, and a stop
    song.patterns[0][15][1] = 192;
    song.patterns[0][15][2] = 255;
    auto& c0 = song.channels[0];
    c0.carriers = {Oscillator(ovk::OSC_SAW, -1200), Oscillator(ovk::OSC_NOISE, 2400), Oscillator(ovk::OSC_SQUARE, 700)};
    c0.modulators = {Oscillator(ovk::OSC_SINE, 1900), Oscillator(ovk::OSC_SAW), Oscillator(ovk::OSC_SINE, 50)};
    c0.carriers[0].fmEnabled = true;  // FM from a sine; the other modulators are left out
    c0.carriers[1].volumeEnvelope = Moving(300);
    c0.carriers[1].volumeEnvelope.phase = 2048 * 5;
    c0.carriers[1].volumeEnvelope.keepEnabled = true;
    c0.carriers[1].volumeEnvelope.keepPosition = 2048 * 40;
    c0.carriers[1].volumeEnvelope.sustainEnabled = true;
    c0.carriers[1].volumeEnvelope.sustainPosition = 2048 * 3;
    // Sustain positions hold only envelopes that notes reset: this one is never held.
    c0.carriers[2].transposeEnvelope = Moving(10);
    c0.carriers[2].transposeEnvelope.resetMode = ovk::RESET_PATTERN;
    c0.carriers[2].transposeEnvelope.sustainEnabled = true;
    c0.carriers[2].transposeEnvelope.sustainPosition = 1000;
    for (int type : std::initializer_list<int>{ovk::EFFECT_DELAY, ovk::EFFECT_FLANGE, ovk::EFFECT_LOWPASS, ovk::EFFECT_HIGHPASS,
                     ovk::EFFECT_RESONANCE, ovk::EFFECT_BANDPASS, 42})
        song.channels[1].effects.push_back(Effect(type));
    // Silent oscillator types are written as silent sines; a kept envelope whose
    // every value is the same stays constant whatever its speed.
    song.channels[2].carriers = {Oscillator(7), Oscillator(ovk::OSC_MASTER), Oscillator(99)};
    song.channels[2].modulators = {Oscillator(ovk::OSC_SINE), Oscillator(12), Oscillator(5)};
    song.channels[2].carriers[1].fmEnabled = true;
    song.channels[2].carriers[0].volumeEnvelope.speed = -65536;
    song.channels[2].carriers[0].volumeEnvelope.max = 300;
    song.channels[2].carriers[0].transposeEnvelope.speed = -5;
    song.channels[2].carriers[0].transposeEnvelope.min = 256;
    song.channels[2].volume = 255;
    song.channels[3].volume = 0;
    // A channel that plays nothing may hold anything the tables can write.
    song.channels[4].effects.push_back(Effect(ovk::EFFECT_OVERDRIVE));
    song.channels[4].carriers[0].cents = 33;

    EXPECT_EQ(Lines(song), TLines{});
    EXPECT_EQ(ovk::ReplayerReport(ovk::ReplayerDepartures(song)), std::string(ovk::kReplayerExactLine) + "\n");
}

TEST(ReplayerLimits, SilentTypesAndSteadyConstantsSoundAsTheTablesWriteThem)
{
    // The verdicts above rest on the player: a silent type sounds like a sine
    // of volume 0, and a kept envelope running backwards by whole cycles holds its value.
    COvkModuleData silent = Playing({0});
    silent.channels[0].carriers = {Oscillator(ovk::OSC_SAW), Oscillator(9)};
    silent.channels[0].modulators = {Oscillator(99), Oscillator(ovk::OSC_SINE)};
    silent.channels[0].carriers[0].fmEnabled = true;
    silent.channels[0].carriers[0].volumeEnvelope.speed = -65536;
    silent.channels[0].carriers[0].volumeEnvelope.max = 200;
    COvkModuleData written = silent;
    written.channels[0].carriers[1] = Oscillator(ovk::OSC_SINE, 0, 0);
    written.channels[0].modulators[0] = Oscillator(ovk::OSC_SINE, 0, 0);
    written.channels[0].carriers[0].volumeEnvelope.speed = 0;
    EXPECT_EQ(Render(silent), Render(written));
    EXPECT_EQ(Lines(silent), TLines{});
}

TEST(ReplayerLimits, NoteDataOutsideTheTables)
{
    COvkModuleData song = Playing({0, 1, 2, 4, 5});
    song.patterns[0][1][1] = 193;
    song.patterns[0][1][2] = 192;  // the highest that fits, and the lowest:
    song.patterns[4][1][8] = 1;    // 0x00, an empty row to the replayer
    song.patterns[5][1][8] = 2;
    song.patterns[1][1][1] = 254;
    song.patterns[2][1][1] = 256;  // only a damaged file holds it
    song.patterns[2][2][1] = 200;  // a pattern that no order entry reaches
    song.orderTable[3][0] = 16;
    EXPECT_EQ(Lines(song), (TLines{"channel 1: note values above 192 cannot be written",
                                   "channel 2: note values above 192 cannot be written",
                                   "channel 3: note values above 192 cannot be written",
                                   "channel 4: order entries above 15 cannot be written",
                                   "channel 5: note value 1 (C-0) is written as an empty row and not played"}));

    // Pattern 0 plays wherever an entry below the song length is 0.
    COvkModuleData zero = Playing({0, 1});
    zero.orderTable[0][1] = 1;
    zero.orderTable[1][1] = 0;
    zero.patterns[0][0][3] = 60;
    zero.patterns[1][0][3] = 60;
    zero.patterns[5][0][3] = 255;  // channel 6 never starts a note: a stop there changes nothing
    zero.patterns[6][0][3] = 40;   // channel 7 has no entry at all, so pattern 0 everywhere
    EXPECT_EQ(Lines(zero), (TLines{"channel 2: notes in pattern 0 cannot be written",
                                   "channel 7: notes in pattern 0 cannot be written"}));
}

TEST(ReplayerLimits, ValuesTheByteTablesCannotHold)
{
    COvkModuleData song = Playing({0});
    song.channels[0].volume = 256;
    song.channels[5].volume = -1;  // written for unused channels too
    song.channels[6].volume = 255;
    EXPECT_EQ(Lines(song), (TLines{"channel 1: volume 256 cannot be written (0-255)",
                                   "channel 6: volume -1 cannot be written (0-255)"}));

    // 70 pairs with FM and moving envelopes take 281 counters before channel 2's envelope.
    COvkModuleData crowded = Playing({0, 1});
    TOvkOscillator carrier;
    carrier.fmEnabled = true;
    carrier.volumeEnvelope = Moving(7);
    carrier.transposeEnvelope = Moving(7);
    crowded.channels[0].carriers.assign(70, carrier);
    crowded.channels[0].modulators.assign(70, carrier);
    const TLines lines = Lines(crowded);
    ASSERT_EQ(lines.size(), 2u);
    // Pair 63's last envelope and all of pairs 64-69 lie beyond the 256th place.
    EXPECT_EQ(lines[0], "channel 1: more than 256 envelopes: the editor holds 25 of them at 256, the replayer does not");
    EXPECT_EQ(lines[1], "channel 2: the channel envelope's counter 281 cannot be written (0-255)");
}

TEST(ReplayerLimits, PitchesOtherThanWholeSemitones)
{
    COvkModuleData song = Playing({0, 1, 2});
    // 50 cents come back as 46.7 (fraction 7); 99 cents share the fraction of 100.
    song.channels[0].carriers = {Oscillator(ovk::OSC_SINE, 50), Oscillator(ovk::OSC_SAW, 99),
                                 Oscillator(ovk::OSC_SINE, 1200)};
    song.channels[0].modulators = {Oscillator(ovk::OSC_SINE), Oscillator(ovk::OSC_SINE), Oscillator(ovk::OSC_SINE)};
    // The modulator of a carrier with FM counts; a silent oscillator, a
    // noise (whose pitch is never heard) and a left-out modulator do not.
    song.channels[1].carriers = {Oscillator(ovk::OSC_SQUARE), Oscillator(ovk::OSC_SINE, 50, 0),
                                 Oscillator(ovk::OSC_NOISE, 37), Oscillator(ovk::OSC_SINE)};
    song.channels[1].modulators = {Oscillator(ovk::OSC_SINE, -1), Oscillator(ovk::OSC_SINE),
                                   Oscillator(ovk::OSC_SINE), Oscillator(ovk::OSC_SINE, 10)};
    song.channels[1].carriers[0].fmEnabled = true;
    song.channels[2].carriers = {Oscillator(ovk::OSC_SINE, 99)};
    EXPECT_EQ(Lines(song),
              (TLines{"channel 1: 2 oscillators detuned by less than a semitone, played from 1.0 cents higher to "
                      "3.3 cents lower",
                      "channel 2: 1 oscillator detuned by less than a semitone, played up to 2.4 cents lower",
                      "channel 3: 1 oscillator detuned by less than a semitone, played up to 1.0 cents higher"}));

    // A noise so low that it stands still in the player but not a few cents
    // lower, or the other way round, is a departure after all.
    COvkModuleData low = Playing({0});
    low.patterns[0][1][0] = 2;
    low.channels[0].carriers = {Oscillator(ovk::OSC_NOISE)};
    for (int cents = -5000; cents > -7000; --cents)
        if (ovk::NoteIncrement(2, cents) == 0) {
            low.channels[0].carriers[0].cents = cents + 1;  // the lowest that still moves
            break;
        }
    ASSERT_NE(low.channels[0].carriers[0].cents % 100, 0);
    EXPECT_EQ(Lines(low).size(), 1u);
}

TEST(ReplayerLimits, NoiseModulatorsLeftOut)
{
    COvkModuleData song = Playing({0, 1});
    song.channels[0].carriers = {Oscillator(ovk::OSC_NOISE), Oscillator(ovk::OSC_SINE)};
    song.channels[0].modulators = {Oscillator(ovk::OSC_NOISE), Oscillator(ovk::OSC_NOISE)};
    song.channels[1].carriers = {Oscillator(ovk::OSC_SINE)};
    song.channels[1].modulators = {Oscillator(ovk::OSC_NOISE)};
    EXPECT_EQ(Lines(song), (TLines{"channel 1: 2 noise modulators behind carriers without FM are left out, which "
                                   "moves every later noise draw",
                                   "channel 2: a noise modulator behind a carrier without FM is left out, which "
                                   "moves every later noise draw"}));
    // What the player does: the noise carrier's numbers move.
    COvkModuleData written = song;
    written.channels[0].modulators = {Oscillator(ovk::OSC_SINE), Oscillator(ovk::OSC_SINE)};
    written.channels[1].modulators = {Oscillator(ovk::OSC_SINE)};
    EXPECT_NE(Render(song), Render(written));

    // Without noise that is heard, the draws change nothing.
    song.channels[0].carriers[0].volume = 0;
    written.channels[0].carriers[0].volume = 0;
    EXPECT_EQ(Render(song), Render(written));
    EXPECT_EQ(Lines(song), TLines{});
    // A noise modulator with FM is written, and its draws are the replayer's too.
    song.channels[0].carriers[1].fmEnabled = true;
    song.channels[0].carriers[0].volume = 100;
    song.channels[0].modulators[0] = Oscillator(ovk::OSC_SINE);
    song.channels[1].modulators = {Oscillator(ovk::OSC_SINE)};
    EXPECT_EQ(Lines(song), TLines{});
}

TEST(ReplayerLimits, EnvelopePositions)
{
    auto departuresWith = [](const TOvkEnvelope& envelope) {
        COvkModuleData song = Playing({0});
        song.channels[0].carriers[0].volumeEnvelope = envelope;
        return Lines(song);
    };
    const TLines rounded{"channel 1: envelope positions rounded to steps of 2048"};
    TOvkEnvelope e = Moving(65);
    EXPECT_EQ(departuresWith(e), TLines{});
    e.phase = 16384 + 1;
    EXPECT_EQ(departuresWith(e), rounded);
    e.phase = -2048;
    EXPECT_EQ(departuresWith(e), TLines{});
    e.keepPosition = 2049;
    EXPECT_EQ(departuresWith(e), TLines{});  // keep disabled
    e.keepEnabled = true;
    EXPECT_EQ(departuresWith(e), rounded);
    e.keepPosition = 254 * 2048;
    EXPECT_EQ(departuresWith(e), TLines{});
    e.keepPosition = 255 * 2048;
    EXPECT_EQ(departuresWith(e),
              TLines{"channel 1: envelope keep or sustain positions of 255 steps of 2048 read as disabled"});
    e.keepEnabled = false;
    e.sustainEnabled = true;
    e.sustainPosition = 1000;
    EXPECT_EQ(departuresWith(e), rounded);
    e.resetMode = ovk::RESET_FOURTH_PATTERN;  // never held, so its sustain does not count
    EXPECT_EQ(departuresWith(e), TLines{});
}

TEST(ReplayerLimits, KeptEnvelopesThatStillMove)
{
    auto departuresWith = [](const TOvkEnvelope& envelope) {
        COvkModuleData song = Playing({0});
        song.channels[0].effects.push_back(Effect(ovk::EFFECT_LOWPASS));
        song.channels[0].effects[0].envelopeA = envelope;
        return Lines(song);
    };
    const TLines moving{"channel 1: an envelope kept at position 0 that still moves is written as a constant"};
    TOvkEnvelope e;  // kept at 0: written as a constant
    EXPECT_EQ(departuresWith(e), TLines{});
    e.speed = -1;  // the counter runs below the keep position
    EXPECT_EQ(departuresWith(e), moving);
    e.min = e.max;
    EXPECT_EQ(departuresWith(e), TLines{});
    e = TOvkEnvelope();
    e.speed = 0;
    e.sustainEnabled = true;
    e.sustainPosition = -4096;  // a note holds it below 0
    EXPECT_EQ(departuresWith(e), moving);
    e.resetMode = ovk::RESET_SONG;
    EXPECT_EQ(departuresWith(e), TLines{});
}

TEST(ReplayerLimits, MoreEnvelopesThanThePlayerMoves)
{
    // 63 pairs and the channel envelope fill 253 places; each effect takes two.
    COvkModuleData song = Playing({0});
    song.channels[0].carriers.assign(63, TOvkOscillator());
    song.channels[0].modulators.assign(63, TOvkOscillator());
    auto lowpass = [](const TOvkEnvelope& envelope) {
        TOvkEffect effect = Effect(ovk::EFFECT_LOWPASS);
        effect.envelopeA = envelope;
        return effect;
    };
    song.channels[0].effects = {lowpass(Moving(9)), lowpass(Moving(9))};  // places 253 and 255
    EXPECT_EQ(Lines(song), TLines{});
    TOvkEnvelope low;  // a constant of 100
    low.max = 100;
    song.channels[0].effects.push_back(lowpass(TOvkEnvelope()));  // the player's 256, as written
    song.channels[0].effects.push_back(lowpass(Moving(9)));
    song.channels[0].effects.push_back(lowpass(low));
    EXPECT_EQ(Lines(song), TLines{"channel 1: more than 256 envelopes: the editor holds 2 of them at 256, the "
                                  "replayer does not"});
}

TOvkEffect Overdrive(int p1, int p2)
{
    TOvkEffect e = Effect(ovk::EFFECT_OVERDRIVE);
    e.p1 = p1;
    e.p2 = p2;
    return e;
}

TEST(ReplayerLimits, OverdriveLevelsTheTablesLose)
{
    // The tables hold p1 x 127 and p2 x 32767 / (p1 x 127): p2 comes back
    // while the limit stays below 32767 (p1 up to 258), and may not beyond it.
    COvkModuleData song = Playing({0, 1, 2, 3, 4});
    song.channels[0].effects = {Overdrive(100, 100), Overdrive(258, 255), Overdrive(1, 0)};
    song.channels[1].effects = {Overdrive(1000, 100)};  // comes back as 97
    song.channels[2].effects = {Overdrive(0, 100)};     // a limit of 0 keeps no level
    song.channels[3].effects = {Overdrive(0, 0)};
    song.channels[4].effects = {Overdrive(259, 255), Overdrive(259, 1)};  // 1 comes back as 0
    EXPECT_EQ(Lines(song), (TLines{"channel 2: overdrive approximated", "channel 3: overdrive approximated",
                                   "channel 5: overdrive approximated"}));
}

TEST(ReplayerLimits, DelayLines)
{
    COvkModuleData song = Playing({0, 1, 2});
    // The player refuses a delay whose length overflows 32 bits; the table
    // holds the wrapped length (51 samples), which the replayer plays.
    TOvkEffect wrapped = Effect(ovk::EFFECT_DELAY);
    wrapped.p1 = 779204;
    // Neither makes the line of a flange whose envelope tops out below -1.
    TOvkEffect emptyFlange = Effect(ovk::EFFECT_FLANGE);
    emptyFlange.envelopeA.max = -5;
    song.channels[0].effects = {wrapped, emptyFlange, Effect(ovk::EFFECT_DELAY)};
    // The replayer's pool holds 32 rows for each delay or flange of the song
    // by default: a 40-row delay fits beside a short one in this song's pool.
    TOvkEffect rows40 = Effect(ovk::EFFECT_DELAY);
    rows40.p1 = 4000;
    TOvkEffect rows1 = Effect(ovk::EFFECT_DELAY);
    rows1.p1 = 100;
    song.channels[1].effects = {rows40, Effect(ovk::EFFECT_BANDPASS)};
    song.channels[2].effects = {rows1};
    EXPECT_EQ(Lines(song), TLines{"channel 1: a delay or flange whose line the editor cannot make, so that it "
                                  "passes its input there"});

    // Two of them do not: the second is left out, and the pool that holds both is named.
    song.channels[0].effects.clear();
    song.channels[1].effects = {rows40, rows40};
    song.channels[2].effects.clear();
    EXPECT_EQ(Lines(song), (TLines{"channel 2: 1 delay or flange does not fit the replayer's line pool: define "
                                   "OVKSONG_LINEPOOLSIZE as " +
                                   std::to_string(2 * (40 * 5512 + 2)) + " or more"}));
}

TEST(ReplayerLimits, OnlyWhatTheChannelSoundsCounts)
{
    COvkModuleData song = Playing({0, 1});
    song.channels[0].effects = {Overdrive(0, 100)};
    song.channels[1].carriers[0].cents = 50;
    ASSERT_EQ(Lines(song).size(), 2u);
    song.patterns[0][1][0] = 255;  // a stop alone starts nothing
    song.patterns[1][1][0] = 0;
    EXPECT_EQ(Lines(song), TLines{});
}

TEST(ReplayerLimits, ReferenceSongs)
{
    auto load = [](const char* name) {
        COvkModuleData song;
        LoadSong(song, GoldenBytes(name));
        return ovk::ReplayerReport(ovk::ReplayerDepartures(song));
    };
    EXPECT_EQ(load("one_sine.tonvik"), std::string(ovk::kReplayerExactLine) + "\n");
    EXPECT_EQ(load("empty.tonvik"), std::string(ovk::kReplayerExactLine) + "\n");
    // Its overdrives have clip limits whose level the tables carry.
    EXPECT_EQ(load("effects.tonvik"), std::string(ovk::kReplayerExactLine) + "\n");
    EXPECT_EQ(load("waves.tonvik"), "channel 1: note values above 192 cannot be written\n"
                                    "channel 4: note value 1 (C-0) is written as an empty row and not played\n");
    // Cents -1, 701 and -1199, 350; 1200, 2400 and -2400 are whole semitones.
    EXPECT_EQ(load("arrangement.tonvik"),
              "channel 1: note values above 192 cannot be written\n"
              "channel 1: note value 1 (C-0) is written as an empty row and not played\n"
              "channel 3: 1 oscillator detuned by less than a semitone, played up to 2.4 cents lower\n"
              "channel 4: 2 oscillators detuned by less than a semitone, played up to 1.0 cents lower\n"
              "channel 7: 1 oscillator detuned by less than a semitone, played up to 2.0 cents lower\n");
    // An order entry of -1 names no pattern in the player and breaks the packed order table.
    EXPECT_NE(load("v2_basic.tonvik").find("channel 4: order entries above 15 cannot be written\n"), std::string::npos);
}

} // namespace
