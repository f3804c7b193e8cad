// Voices, envelopes, oscillators, noise and effects, below the player.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <thread>

#include "core/song/COvkModuleData.h"
#include "core/synth/CNoiseGenerator.h"
#include "core/synth/COvkChannelVoice.h"
#include "core/synth/COvkEffectState.h"
#include "core/synth/EffectLines.h"
#include "core/synth/VectorPath.h"
#include "PlayerTestSupport.h"

namespace {

using namespace ovk;
using tonvik_test::CVectorPathScope;
using tonvik_test::VectorPathName;

TEST(Pitch, IncrementsFollowTheNoteAndCents)
{
    EXPECT_EQ(NoteIncrement(58, 0), 653);      // 440 Hz
    EXPECT_EQ(NoteIncrement(58, 1200), 1307);  // an octave up
    EXPECT_EQ(NoteIncrement(58, -1200), 326);
    EXPECT_EQ(NoteIncrement(70, 0), 1307);
    // Far too low to move the phase; far beyond 32 bits takes the x86 value.
    EXPECT_EQ(NoteIncrement(1, -200000), 0);
    EXPECT_EQ(NoteIncrement(254, 100000), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(NoteIncrement(1000000, 0), std::numeric_limits<std::int32_t>::min());
}

TEST(Envelope, ChannelEnvelopeFallsToItsSustainLevelAndRunsOutAfterRelease)
{
    TOvkEnvelopeState e;
    e.stored = TOvkEnvelope::ChannelDefault();
    e.Reset();
    e.released = false;
    EXPECT_EQ(e.value, 256);
    for (int tick = 1; tick <= 126; ++tick)
        e.Tick();
    EXPECT_EQ(e.counter, 126 * 65);
    e.Tick();  // the 127th tick reaches the sustain position
    EXPECT_EQ(e.counter, 8192);
    EXPECT_EQ(e.value, 224);
    for (int tick = 0; tick < 1000; ++tick)
        e.Tick();
    EXPECT_EQ(e.value, 224);
    EXPECT_TRUE(e.Settled());

    e.released = true;
    EXPECT_FALSE(e.Settled());
    for (int tick = 0; tick < 1000; ++tick)
        e.Tick();
    EXPECT_EQ(e.counter, 32768);
    EXPECT_EQ(e.value, 0);
}

TEST(Envelope, ResetAndPlaceApplyTheKeepPositionToTheValueOnly)
{
    TOvkEnvelopeState e;
    e.stored.keepPosition = -16384;  // a quarter cycle before the top
    e.Reset();
    EXPECT_EQ(e.counter, 0);
    EXPECT_EQ(e.value, e.ValueAt(-16384));
    EXPECT_EQ(e.value, 128);

    e.stored.keepPosition = 32768;
    e.Place(40000);
    EXPECT_EQ(e.counter, 40000);
    EXPECT_EQ(e.value, e.ValueAt(32768));
    e.Tick();
    EXPECT_EQ(e.counter, 32768);
}

class NoiseTest : public ::testing::Test {
protected:
    void SetUp() override { CNoiseGenerator::ResetForThisThread(); }
};

TEST_F(NoiseTest, EachThreadStartsItsOwnGeneratorAtOne)
{
    CNoiseGenerator::Next();
    CNoiseGenerator::Next();
    std::uint32_t first = 0;
    std::thread([&first] { first = CNoiseGenerator::Next(); }).join();
    CNoiseGenerator::ResetForThisThread();
    EXPECT_EQ(first, CNoiseGenerator::Next());
    EXPECT_EQ(first, 41u);
}

TEST_F(NoiseTest, OscillatorOutputsByType)
{
    TOvkOscillatorState o;
    o.volume = 256;
    o.increment = 1;
    o.type = OSC_SAW;
    o.phase = 0;
    EXPECT_EQ(o.Output(), -32768);
    o.phase = 32768;
    EXPECT_EQ(o.Output(), 0);
    o.phase = 0x1234FFFF;  // only the low 16 bits count
    EXPECT_EQ(o.Output(), 32767 * 256 >> 8);

    o.type = OSC_SQUARE;
    o.phase = 32767;
    EXPECT_EQ(o.Output(), -32768);
    o.phase = 32768;
    EXPECT_EQ(o.Output(), 32767);

    o.type = OSC_SINE;
    o.phase = 64 << 8;
    EXPECT_EQ(o.Output(), 32768);
    o.phase = 192 << 8;
    EXPECT_EQ(o.Output(), -32768);

    o.type = OSC_NOISE;
    EXPECT_EQ(o.Output(), (41 - 128) * 256);

    for (std::int32_t type : {4, 8, 11, 12, 13, -1, 1000}) {
        o.type = type;
        EXPECT_EQ(o.Output(), 0) << type;
    }

    // The default volume 100 under a half envelope: a = (128 * 100) >> 8 = 50.
    o.type = OSC_SAW;
    o.volume = 100;
    o.volumeEnvelope.value = 128;
    o.phase = 0;
    EXPECT_EQ(o.Output(), (50 * -32768) >> 8);
}

TEST_F(NoiseTest, OscillatorWithoutANoteIsSilentAndDrawsNothing)
{
    TOvkOscillatorState o;
    o.type = OSC_NOISE;
    o.volume = 256;
    EXPECT_EQ(o.Output(), 0);
    EXPECT_EQ(CNoiseGenerator::GetState(), 1u);
}

// A channel record of pairs carriers and as many default modulators.
COvkModuleChannel ChannelOf(std::size_t pairs, std::size_t effects, std::int32_t type = OSC_SINE)
{
    COvkModuleChannel channel;
    TOvkOscillator carrier;
    carrier.type = type;
    channel.carriers.assign(pairs, carrier);
    channel.modulators.assign(pairs, TOvkOscillator());
    channel.effects.assign(effects, TOvkEffect());
    return channel;
}

TEST(Voice, EnvelopeListHoldsAtMost256Entries)
{
    COvkChannelVoice voice;
    voice.Refresh(ChannelOf(70, 3), 5512);
    const auto& list = voice.Envelopes();
    ASSERT_EQ(list.size(), 256u);
    EXPECT_EQ(list[0], &voice.envelope);
    EXPECT_EQ(list[1], &voice.carriers[0].volumeEnvelope);
    EXPECT_EQ(list[4], &voice.modulators[0].transposeEnvelope);
    // The 64th pair fills the list with its modulator's volume envelope.
    EXPECT_EQ(list[253], &voice.carriers[63].volumeEnvelope);
    EXPECT_EQ(list[255], &voice.modulators[63].volumeEnvelope);

    // With one place left, an effect's envelope A takes it and B is left out.
    voice.Refresh(ChannelOf(63, 2), 5512);
    ASSERT_EQ(voice.Envelopes().size(), 256u);
    EXPECT_EQ(voice.Envelopes()[253], &voice.effects[0].envA);
    EXPECT_EQ(voice.Envelopes()[254], &voice.effects[0].envB);
    EXPECT_EQ(voice.Envelopes()[255], &voice.effects[1].envA);
}

TEST(Voice, EnvelopesBeyondTheListAreNeitherResetNorTicked)
{
    COvkChannelVoice voice;
    COvkModuleChannel channel = ChannelOf(70, 0);
    for (TOvkOscillator& c : channel.carriers)
        c.volumeEnvelope.keepEnabled = false;
    voice.Refresh(channel, 5512);
    voice.StartNote(58);
    for (int i = 0; i < 10; ++i)
        voice.TickEnvelopes();
    EXPECT_EQ(voice.carriers[63].volumeEnvelope.counter, 650);
    EXPECT_FALSE(voice.carriers[63].volumeEnvelope.released);
    EXPECT_EQ(voice.carriers[64].volumeEnvelope.counter, 0);
    EXPECT_TRUE(voice.carriers[64].volumeEnvelope.released);
}

TEST(Voice, RefreshKeepsRunningStateUnlessThePairCountChanges)
{
    COvkChannelVoice voice;
    COvkModuleChannel channel = ChannelOf(2, 1);
    voice.Refresh(channel, 5512);
    voice.StartNote(58);
    for (int i = 0; i < 100; ++i) {
        voice.Sample();
        voice.Advance();
    }
    const std::uint32_t phase = voice.carriers[1].phase;
    EXPECT_EQ(phase, 100u * 653u);
    channel.carriers[1].volume = 30;
    voice.Refresh(channel, 5512);
    EXPECT_EQ(voice.carriers[1].phase, phase);
    EXPECT_EQ(voice.carriers[1].volume, 30);
    EXPECT_TRUE(voice.noteOn);

    channel.AddPair(TOvkOscillator(), TOvkOscillator());
    voice.Refresh(channel, 5512);
    ASSERT_EQ(voice.carriers.size(), 3u);
    EXPECT_EQ(voice.carriers[1].phase, 0u);
    EXPECT_EQ(voice.carriers[1].increment, 0);  // silent until the next note
}

TEST(Voice, MissingModulatorsOfADamagedChannelAreDefaultOscillators)
{
    COvkModuleChannel channel = ChannelOf(3, 0);
    channel.modulators.resize(1);
    channel.modulators[0].volume = 7;
    COvkChannelVoice voice;
    voice.Refresh(channel, 5512);
    ASSERT_EQ(voice.modulators.size(), 3u);
    EXPECT_EQ(voice.modulators[0].volume, 7);
    EXPECT_EQ(voice.modulators[2].volume, 100);
    EXPECT_EQ(voice.modulators[2].type, OSC_SINE);
}

// Renders count samples of a voice playing note 58.
std::vector<std::int32_t> Play(COvkChannelVoice& voice, int count)
{
    std::vector<std::int32_t> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(voice.Sample());
        voice.Advance();
        if (i % 44 == 43)
            voice.TickEnvelopes();
    }
    return out;
}

TEST(Voice, FrequencyModulationBySilentModulatorChangesNothing)
{
    COvkModuleChannel plain = ChannelOf(1, 0);
    COvkModuleChannel fm = plain;
    fm.carriers[0].fmEnabled = true;
    fm.modulators[0].volume = 0;
    COvkChannelVoice a, b;
    a.Refresh(plain, 5512);
    b.Refresh(fm, 5512);
    a.StartNote(58);
    b.StartNote(58);
    EXPECT_EQ(Play(a, 3000), Play(b, 3000));

    fm.modulators[0].volume = 100;
    COvkChannelVoice c;
    c.Refresh(fm, 5512);
    c.StartNote(58);
    a.Refresh(plain, 5512);
    a.StartNote(58);
    EXPECT_NE(Play(a, 3000), Play(c, 3000));
}

TEST(Voice, StopNoteSilencesAtOnceOnlyWithoutSustain)
{
    COvkModuleChannel channel = ChannelOf(1, 0, OSC_SQUARE);
    channel.envelope.sustainEnabled = false;
    COvkChannelVoice voice;
    voice.Refresh(channel, 5512);
    voice.StartNote(58);
    EXPECT_NE(voice.Sample(), 0);
    voice.StartNote(kStopNote);
    EXPECT_FALSE(voice.noteOn);
    EXPECT_EQ(voice.Sample(), 0);

    channel.envelope.sustainEnabled = true;
    voice.Refresh(channel, 5512);
    voice.StartNote(58);
    voice.StartNote(kStopNote);
    EXPECT_TRUE(voice.noteOn);
    EXPECT_NE(voice.Sample(), 0);
    for (TOvkEnvelopeState* e : voice.Envelopes())
        EXPECT_TRUE(e->released);
    // A stop note keeps the pitch; a value above 255 plays a pitch without note-on.
    EXPECT_EQ(voice.carriers[0].increment, 653);
    voice.StartNote(300);
    EXPECT_TRUE(voice.noteOn);
    EXPECT_NE(voice.carriers[0].increment, 653);
}

// An effect state prepared for a record at a row length.
COvkEffectState EffectOf(const TOvkEffect& record, std::uint32_t rowLength = 5512)
{
    COvkEffectState state;
    state.Refresh(record, rowLength);
    return state;
}

TOvkEffect RecordOf(std::int32_t type)
{
    TOvkEffect record;
    record.SetType(type);
    return record;
}

TEST(Effects, DelayFeedsBackItsOutputOfDelaySamplesAgo)
{
    COvkEffectState delay = EffectOf(TOvkEffect());
    ASSERT_EQ(delay.LineLength(), 22050u);
    std::vector<std::int32_t> out;
    out.push_back(delay.Process(10000));
    for (int i = 1; i <= 3 * 22048; ++i)
        out.push_back(delay.Process(0));
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[22047], 0);
    EXPECT_EQ(out[22048], 5000);
    EXPECT_EQ(out[44096], 2500);
    EXPECT_EQ(out[66144], 1250);

    TOvkEffect dry;
    dry.p2 = 0;
    COvkEffectState noFeedback = EffectOf(dry);
    for (std::int32_t x : {5, -7, 32767, 0})
        EXPECT_EQ(noFeedback.Process(x), x);
}

TEST(Effects, ChangingARecordEmptiesTheDelayLine)
{
    TOvkEffect record;
    record.p1 = 1;  // 55 samples
    COvkEffectState delay = EffectOf(record);
    delay.Process(10000);
    for (int i = 0; i < 54; ++i)
        delay.Process(0);
    COvkEffectState copy = delay;
    EXPECT_EQ(copy.Process(0), 5000);
    record.p2 = 127;
    delay.Refresh(record, 5512);
    EXPECT_EQ(delay.Process(0), 0);
}

TEST(Effects, FiltersAndOverdriveAtTheirTextbookPoints)
{
    TOvkEffect lowPassRecord = RecordOf(EFFECT_LOWPASS);
    lowPassRecord.p1 = 255;
    COvkEffectState lowPass = EffectOf(lowPassRecord);
    lowPass.Process(1000);
    EXPECT_EQ(lowPass.Process(256), 255);  // the previous output has no weight at c = 255

    COvkEffectState highPass = EffectOf(RecordOf(EFFECT_HIGHPASS));
    std::int32_t y = 0;
    for (int i = 0; i < 2000; ++i)
        y = highPass.Process(10000);
    EXPECT_EQ(y, 0);

    COvkEffectState overdrive = EffectOf(RecordOf(EFFECT_OVERDRIVE));
    EXPECT_EQ(overdrive.Process(12700), 12799);
    EXPECT_EQ(overdrive.Process(30000), 12799);
    EXPECT_EQ(overdrive.Process(-12700), -12800);
    EXPECT_EQ(overdrive.Process(-30000), -12800);
    TOvkEffect hard = RecordOf(EFFECT_OVERDRIVE);
    hard.p1 = 0;
    COvkEffectState hardClip = EffectOf(hard);
    EXPECT_EQ(hardClip.Process(1), (100 * 32767) >> 8);
    EXPECT_EQ(hardClip.Process(5000), (100 * 32767) >> 8);

    COvkEffectState bandPass = EffectOf(RecordOf(EFFECT_BANDPASS));
    TOvkEffect unknown;
    unknown.type = 42;
    COvkEffectState other = EffectOf(unknown);
    for (std::int32_t x : {3, -30000, 12345}) {
        EXPECT_EQ(bandPass.Process(x), x);
        EXPECT_EQ(other.Process(x), x);
    }

    TOvkEffect closed = RecordOf(EFFECT_RESONANCE);
    closed.p1 = 0;
    COvkEffectState resonance = EffectOf(closed);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(resonance.Process(20000), 0);
}

TEST(Effects, LinesThatCannotBeMadePassTheSignalUnchanged)
{
    TOvkEffect flange = RecordOf(EFFECT_FLANGE);
    flange.envelopeA.max = -2;
    TOvkEffect hugeFlange = RecordOf(EFFECT_FLANGE);
    hugeFlange.envelopeA.max = 20000000;
    TOvkEffect overflowingDelay;
    overflowingDelay.p1 = 1000000;  // 5512 x p1 needs more than 32 bits
    TOvkEffect longDelay;
    longDelay.p1 = 700000;  // 38 million samples
    TOvkEffect negativeDelay;
    negativeDelay.p1 = -1;
    for (const TOvkEffect& record : {flange, hugeFlange, overflowingDelay, longDelay, negativeDelay}) {
        COvkEffectState state = EffectOf(record);
        EXPECT_TRUE(state.Bypassed());
        EXPECT_EQ(state.LineLength(), 0u);
        std::int32_t block[3] = {1, -2, 3};
        state.ProcessBlock(block, 3);
        EXPECT_EQ(block[1], -2);
        EXPECT_EQ(state.Process(777), 777);
    }
    // A flange of max -1 has a line of one entry: the current input, added.
    TOvkEffect tiny = RecordOf(EFFECT_FLANGE);
    tiny.envelopeA.max = -1;
    COvkEffectState state = EffectOf(tiny);
    EXPECT_FALSE(state.Bypassed());
    EXPECT_EQ(state.Process(5), 5);
    EXPECT_EQ(state.Process(6), 11);
}

TEST(Effects, TheLinesOfASongShareOneBudgetInChannelAndChainOrder)
{
    // Delays of 99987 samples (400 KB) against a budget of 1 MB: two fit;
    // the third is refused and passes its input; the filter after it, a
    // line of 80 bytes, still fits in what is left.
    TOvkEffect delay;
    delay.p1 = 1814;  // 18.14 rows: 99987 samples
    ASSERT_EQ(COvkEffectState::LineBytes(delay, 5512), (5512u * 1814u / 100u + 2u) * 4u);
    COvkModuleChannel channel;
    channel.effects = {delay, delay, delay, RecordOf(EFFECT_LOWPASS)};
    CEffectLineBudget budget(1000000);
    COvkChannelVoice voice;
    voice.Refresh(channel, 5512, budget);
    EXPECT_FALSE(voice.effects[0].Bypassed());
    EXPECT_FALSE(voice.effects[1].Bypassed());
    EXPECT_TRUE(voice.effects[2].Bypassed());
    EXPECT_EQ(voice.effects[2].LineLength(), 0u);
    EXPECT_EQ(voice.effects[2].Process(777), 777);
    EXPECT_FALSE(voice.effects[3].Bypassed());
    EXPECT_TRUE(budget.Refused());

    // Once there is room again (a shorter first delay), the refused line is made.
    channel.effects[0].p1 = 100;
    CEffectLineBudget more(1000000);
    voice.Refresh(channel, 5512, more);
    EXPECT_FALSE(voice.effects[2].Bypassed());
    EXPECT_EQ(voice.effects[2].LineLength(), 5512u * 1814u / 100u + 2u);
    EXPECT_FALSE(more.Refused());
}

TEST(Effects, SongsTheEditorMakesStayInsideTheBudgetAndDamagedOnesDoNot)
{
    // 16 delays of 32 rows (the editor's longest) at 40 BPM (its slowest) in every channel.
    COvkModuleData editorMade;
    editorMade.tempo = 40;
    TOvkEffect longest;
    longest.p1 = 3200;
    TOvkEffect flange = RecordOf(EFFECT_FLANGE);
    for (COvkModuleChannel& channel : editorMade.channels) {
        channel.effects.assign(16, longest);
        channel.effects.push_back(flange);
    }
    EXPECT_FALSE(EffectLinesOverBudget(editorMade));

    // Four delays of 64 MB in every channel: 2 GB.
    COvkModuleData damaged;
    TOvkEffect huge;
    huge.p1 = 290000;  // 15984800 samples at 120 BPM
    for (COvkModuleChannel& channel : damaged.channels)
        channel.effects.assign(4, huge);
    EXPECT_TRUE(EffectLinesOverBudget(damaged));
    damaged.channels[0].effects.resize(1);
    for (int c = 1; c < kChannels; ++c)
        damaged.channels[c].effects.clear();
    EXPECT_FALSE(EffectLinesOverBudget(damaged));
}

// Effects with every kind of parameter, some of them extreme.
std::vector<TOvkEffect> VariedEffects(std::mt19937& random)
{
    std::vector<TOvkEffect> records;
    for (std::int32_t type = 0; type <= 7; ++type) {
        for (int variant = 0; variant < 4; ++variant) {
            TOvkEffect record = RecordOf(type);
            record.p1 = static_cast<std::int32_t>(random() % 300) - (variant == 3 ? 150 : 0);
            record.p2 = static_cast<std::int32_t>(random() % 300);
            if (type == EFFECT_DELAY)
                record.p1 = static_cast<std::int32_t>(random() % 5);
            if (type == EFFECT_FLANGE)
                record.envelopeA.max = static_cast<std::int32_t>(random() % 80);
            if (variant == 2)
                record.p1 = std::numeric_limits<std::int32_t>::max() - type;
            records.push_back(record);
        }
    }
    return records;
}

TEST(Effects, BlockProcessingGivesTheSameSamplesAsProcessingOneByOne)
{
    // Both vector paths, where this build and machine have them.
    for (const TVectorPath vectorPath : {TVectorPath::Sse2, TVectorPath::Avx2}) {
        const CVectorPathScope path(vectorPath);
        if (!path.Available())
            continue;
        SCOPED_TRACE(VectorPathName(vectorPath));
        std::mt19937 random(7);
        const std::vector<TOvkEffect> records = VariedEffects(random);
        std::vector<COvkEffectState> single, blocks;
        for (const TOvkEffect& record : records) {
            single.push_back(EffectOf(record, 100));
            blocks.push_back(EffectOf(record, 100));
        }
        const std::size_t n = records.size();
        std::vector<std::vector<std::int32_t>> expected(n), actual(n);
        for (int run = 0; run < 200; ++run) {
            // Envelope values move between runs, as at ticks.
            const std::int32_t a = static_cast<std::int32_t>(random() % 600) - 100;
            const std::int32_t b = static_cast<std::int32_t>(random() % 600) - 100;
            const std::uint32_t count = 1 + random() % COvkChannelVoice::kMaxBlock;
            // Block buffers have room past count for whole groups of eight.
            std::vector<std::vector<std::int32_t>> input(n, std::vector<std::int32_t>(COvkChannelVoice::kBlockRoom));
            std::vector<std::int32_t*> pointers(n);
            std::vector<COvkEffectState*> effects(n);
            for (std::size_t i = 0; i < n; ++i) {
                input[i].resize(count);
                for (std::int32_t& x : input[i])
                    x = static_cast<std::int32_t>(random() % 120000) - 60000;
                single[i].envA.value = blocks[i].envA.value = a + static_cast<std::int32_t>(i);
                single[i].envB.value = blocks[i].envB.value = b;
                for (std::int32_t x : input[i])
                    expected[i].push_back(single[i].Process(x));
                input[i].resize(COvkChannelVoice::kBlockRoom);
                pointers[i] = input[i].data();
                effects[i] = &blocks[i];
            }
            // Several effects of one kind at once, in groups of varying size.
            const std::size_t split = random() % n;
            COvkEffectState::ProcessBlocks(effects.data(), pointers.data(), split, count);
            COvkEffectState::ProcessBlocks(effects.data() + split, pointers.data() + split, n - split, count);
            for (std::size_t i = 0; i < n; ++i)
                actual[i].insert(actual[i].end(), input[i].begin(), input[i].begin() + count);
        }
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_EQ(actual[i], expected[i]) << "effect " << i << " of type " << records[i].type;
    }
}

} // namespace
