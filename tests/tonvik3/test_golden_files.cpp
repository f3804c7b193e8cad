// The reference songs: exports and re-saved files must match byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "SongFileTestSupport.h"
#include "core/export/SongJson.h"

using namespace tonvik_test;

namespace {

std::string AsText(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class GoldenSong : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenSong, CExportIsByteIdentical)
{
    ovk::COvkModuleData song;
    LoadSong(song, GoldenBytes(GetParam() + ".tonvik"));
    const TBytes exported = ExportC(song);
    const TBytes expected = GoldenBytes(GetParam() + ".cpp");
    EXPECT_EQ(FirstDifference(exported, expected), -1) << AsText(exported);
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenSong,
                         ::testing::Values("empty", "one_sine", "waves", "effects", "arrangement", "v2_basic"));

class GoldenCurrentVersionSong : public ::testing::TestWithParam<std::string> {};

// Files in the current version come back unchanged from a load and a save.
TEST_P(GoldenCurrentVersionSong, SaveReproducesTheFile)
{
    const TBytes original = GoldenBytes(GetParam());
    ovk::COvkModuleData song;
    LoadSong(song, original);
    EXPECT_EQ(FirstDifference(SaveSong(song), original), -1);
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenCurrentVersionSong,
                         ::testing::Values("empty.tonvik", "one_sine.tonvik", "waves.tonvik", "effects.tonvik",
                                           "arrangement.tonvik", "v2_basic.v3.tonvik"));

TEST(GoldenFiles, OldVersionSongSavesAsTheCurrentVersion)
{
    ovk::COvkModuleData song;
    LoadSong(song, GoldenBytes("v2_basic.tonvik"));
    EXPECT_EQ(FirstDifference(SaveSong(song), GoldenBytes("v2_basic.v3.tonvik")), -1);
}

TEST(GoldenFiles, OldVersionSongFieldsAsLoaded)
{
    ovk::COvkModuleData song;
    LoadSong(song, GoldenBytes("v2_basic.tonvik"));
    EXPECT_EQ(ovk::SongToJson(song), AsText(GoldenBytes("v2_basic.json")));
}

TEST(GoldenFiles, InstrumentRoundTripAndFields)
{
    ovk::COvkModuleChannel channel;
    LoadInstrument(channel, GoldenBytes("instr_rich.tonviki"));
    EXPECT_EQ(ovk::ChannelToJson(channel), AsText(GoldenBytes("instr_rich.json")));
    EXPECT_EQ(FirstDifference(SaveInstrument(channel), GoldenBytes("instr_rich.v3.tonviki")), -1);
}

} // namespace
