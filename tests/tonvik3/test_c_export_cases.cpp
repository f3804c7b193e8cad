// The C source export on songs built for one rule each: envelope sharing,
// counters, start values, and what the replayer cannot express. Pattern
// packing, note encodings and pitches are pinned by the reference exports.
#include <gtest/gtest.h>

#include <string>

#include "SongFileTestSupport.h"
#include "core/export/COvkCSourceExport.h"

using namespace tonvik_test;
using ovk::COvkCSourceExport;
using ovk::COvkModuleData;
using ovk::TOvkEffect;
using ovk::TOvkEnvelope;
using ovk::TOvkOscillator;

namespace {

std::string Export(const COvkModuleData& song)
{
    const TBytes bytes = ExportC(song);
    return std::string(bytes.begin(), bytes.end());
}

// The text between the line that starts with head and the next "};".
std::string Section(const std::string& text, const std::string& head)
{
    const std::size_t start = text.find(head);
    if (start == std::string::npos)
        return "";
    const std::size_t end = text.find("};", start);
    return text.substr(start, end - start);
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// One order position playing pattern 1 in the given channels.
COvkModuleData SongPlaying(std::initializer_list<int> channels)
{
    COvkModuleData song;
    for (int c : channels)
        song.orderTable[c][0] = 1;
    return song;
}

TEST(CExport, IdenticalEnvelopesShareALineButNotACounter)
{
    COvkModuleData song = SongPlaying({0, 2});
    song.channels[0].carriers[0].volumeEnvelope = Moving(100);
    song.channels[2].carriers[0].volumeEnvelope = Moving(100);
    song.channels[2].carriers[0].transposeEnvelope = Moving(101);
    COvkCSourceExport exporter(song);
    // The two channel envelopes are equal too: three distinct envelopes in all.
    EXPECT_EQ(exporter.EnvelopeCount(), 3u);
    // Every moving envelope has its own counter, even where its line is shared.
    EXPECT_EQ(exporter.CounterCount(), 6u);
    const std::string counters = Section(Export(song), "TOvkSongEnvelopeCounter");
    EXPECT_NE(counters.find("{ 0, 0, 256 }, { 1, 0, 256 }, { -1, -1, 256 }, { 0, 2, 256 }, \r\n"
                            "  { 1, 2, 256 }, { 2, 2, 256 }, \r\n"),
              std::string::npos)
        << counters;
}

TEST(CExport, ConstantEnvelopesShareCountersByStartValue)
{
    COvkModuleData song = SongPlaying({1});
    TOvkEnvelope half;  // constant, starting at the middle of 0-256
    half.phase = 0;
    song.channels[1].carriers[0].volumeEnvelope = half;
    TOvkOscillator second;
    second.volumeEnvelope = half;
    song.channels[1].AddPair(second, TOvkOscillator());
    COvkCSourceExport exporter(song);
    EXPECT_EQ(exporter.EnvelopeCount(), 1u);  // only the channel envelope moves
    EXPECT_EQ(exporter.CounterCount(), 3u);
    const std::string text = Export(song);
    EXPECT_NE(text.find("{ 0, 1, 256 }, { -1, -1, 128 }, { -1, -1, 256 }, "), std::string::npos);
    EXPECT_NE(text.find("  { 8, 0, OVKSONGOSCTYPE_SINE, 1, -1, 100, 1, 2 }, \r\n"
                        "  { 8, 0, OVKSONGOSCTYPE_SINE, 1, -1, 100, 1, 2 }, \r\n"),
              std::string::npos);
}

TEST(CExport, StartValueFollowsPhaseAndANegativeKeepPosition)
{
    TOvkEnvelope e;
    e.min = 100;
    e.max = 300;
    EXPECT_EQ(COvkCSourceExport::StartValue(e), 300);
    e.phase = 0;
    EXPECT_EQ(COvkCSourceExport::StartValue(e), 200);
    e.phase = 49152;
    EXPECT_EQ(COvkCSourceExport::StartValue(e), 100);
    e.keepPosition = -16384;  // the keep clamp applied to a zero counter
    EXPECT_EQ(COvkCSourceExport::StartValue(e), 200);
    e.keepEnabled = false;
    EXPECT_EQ(COvkCSourceExport::StartValue(e), 100);
}

TEST(CExport, BandPassAndUnknownEffectsAreLeftOut)
{
    COvkModuleData song = SongPlaying({3});
    TOvkEffect bandPass;
    bandPass.SetType(ovk::EFFECT_BANDPASS);
    bandPass.envelopeA = Moving(5);
    TOvkEffect unknown;
    unknown.type = 42;
    unknown.envelopeA = Moving(6);
    TOvkEffect lowPass;
    lowPass.SetType(ovk::EFFECT_LOWPASS);
    lowPass.envelopeA = Moving(7);
    song.channels[3].effects = {bandPass, unknown, lowPass};
    COvkCSourceExport exporter(song);
    EXPECT_EQ(exporter.EffectCount(), 1);
    EXPECT_EQ(exporter.EnvelopeCount(), 2u);  // channel envelope and the low-pass's
    const std::string text = Export(song);
    EXPECT_NE(text.find("#define OVKSONG_EFFECTLISTSIZE 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\n#define OVKSONG_ENABLE_LOWPASSEFFECT"), std::string::npos);
    EXPECT_EQ(Count(text, "//#define OVKSONG_ENABLE_"), 5u);
    EXPECT_NE(text.find("OvkSongEffectList[] = {\r\n  { 100, 0, 1, 3, OVKSONGEFFECTTYPE_LOWPASS, 2, 0 }, \r\n\r\n};"),
              std::string::npos);
}

TEST(CExport, OverdriveWithoutClipLimitWritesZeroGain)
{
    COvkModuleData song = SongPlaying({0});
    TOvkEffect overdrive;
    overdrive.SetType(ovk::EFFECT_OVERDRIVE);
    overdrive.p1 = 0;
    overdrive.p2 = 200;
    TOvkEffect delay;
    delay.p1 = 50;
    song.channels[0].effects = {overdrive, delay};
    const std::string text = Export(song);
    EXPECT_NE(text.find("  { 0, 0, 1, 0, OVKSONGEFFECTTYPE_OVERDRIVE, 0, 1 }, \r\n"), std::string::npos);
    EXPECT_NE(text.find("  { 128, 0, 2756, 0, OVKSONGEFFECTTYPE_DELAY, 0, 0 }, \r\n"), std::string::npos);
}

TEST(CExport, SilentOscillatorTypesBecomeSinesOfVolumeZero)
{
    COvkModuleData song = SongPlaying({0});
    song.channels[0].carriers[0].type = ovk::OSC_MASTER;
    song.channels[0].carriers[0].volume = 200;
    song.channels[0].carriers[0].fmEnabled = true;
    song.channels[0].modulators[0].type = 99;
    song.channels[0].modulators[0].volume = 50;
    song.channels[1].carriers[0].type = ovk::OSC_CH1 + 3;
    const std::string oscillators = Section(Export(song), "TOvkSongOscillator");
    EXPECT_NE(oscillators.find("  { 8, 0, OVKSONGOSCTYPE_SINE, 0, -1, 0, 1, 1 }, \r\n"
                               "  { 8, 0, OVKSONGOSCTYPE_SINE, 0, 0, 0, 1, 1 }, \r\n"
                               "  { 8, 0, OVKSONGOSCTYPE_SINE, 1, -1, 0, 0, 0 }, \r\n"),
              std::string::npos)
        << oscillators;
}

TEST(CExport, MissingModulatorIsTakenAsADefaultRecord)
{
    COvkModuleData song = SongPlaying({2});
    TOvkOscillator carrier;
    carrier.fmEnabled = true;
    carrier.cents = -1;
    song.channels[2].carriers = {carrier, carrier};
    song.channels[2].modulators.clear();
    COvkCSourceExport exporter(song);
    EXPECT_EQ(exporter.OscillatorCount(), 7 + 4);
    const std::string oscillators = Section(Export(song), "TOvkSongOscillator");
    EXPECT_NE(oscillators.find("  { 7, 255, OVKSONGOSCTYPE_SINE, 2, -1, 100, 1, 1 }, \r\n"
                               "  { 7, 255, OVKSONGOSCTYPE_SINE, 2, -1, 100, 1, 1 }, \r\n"
                               "  { 8, 0, OVKSONGOSCTYPE_SINE, 2, 2, 100, 1, 1 }, \r\n"
                               "  { 8, 0, OVKSONGOSCTYPE_SINE, 2, 3, 100, 1, 1 }, \r\n"),
              std::string::npos)
        << oscillators;
}

TEST(CExport, OutOfRangePatternNumbersNameNoPattern)
{
    COvkModuleData song;
    song.orderTable[6][0] = 0x12345678;
    song.patterns[6][8][0] = 40;
    const std::string text = Export(song);
    EXPECT_NE(text.find("0x0012345678000000, "), std::string::npos);
    EXPECT_NE(text.find("// channel 7\r\n// channel 8\r\n"), std::string::npos);
    EXPECT_NE(text.find("OvkSongChannelEnvCounter[8] = {0, 0, 0, 0, 0, 0, 0, 0 };"), std::string::npos);
}

} // namespace
