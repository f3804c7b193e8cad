// The size of a song's C tables against a C++ compiler: the export is built
// with the replayer's record types and the arrays' sizes and bytes are read
// back from the program.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "SongFileTestSupport.h"
#include "core/export/COvkCSourceExport.h"
#include "core/export/SongTableSize.h"
#include "support/ProgramRun.h"

using namespace tonvik_test;
using ovk::COvkModuleData;

namespace {

// Writes every array of the tables to stdout, in the export's order, and the
// sum of their sizes to stderr. The export comes first: its "#define NULL 0"
// is then replaced by the system headers' own.
const char kDumpProgram[] = R"(#include "OvkSongData.cpp"
#include <cstdio>
#define DUMP(array) (std::fwrite(array, 1, sizeof(array), stdout), total += sizeof(array))
int main()
{
    unsigned long total = 0;
    DUMP(OvkSongOrderTable);
    DUMP(OvkSongPatternData);
    DUMP(OvkSongPatternLookupTable);
    DUMP(OvkSongEnvList);
    DUMP(OvkSongEnvCounterList);
    DUMP(OvkSongOscillatorList);
    DUMP(OvkSongEffectList);
    DUMP(OvkSongChannelVol);
    DUMP(OvkSongChannelEnvCounter);
    DUMP(OvkSongChannelStopNote);
    std::fprintf(stderr, "%lu", total);
    return 0;
}
)";

class SongTableSize : public ::testing::Test {
protected:
    // Exports the song, builds the dump program with it and runs it.
    TProgramRun CompiledTables(const COvkModuleData& song)
    {
        const std::string dir = m_folder.Get() + "/";
        WriteFileBytes(dir + "OvkSongData.cpp", ExportC(song));
        WriteFileBytes(dir + "OvkSongDataDefines.h", WriteToMemory([&](morvane::IOutputStream* stream) {
                           ovk::COvkCSourceExport(song).WriteDefinesFile(stream);
                       }));
        std::ofstream(dir + "dump.cpp") << kDumpProgram;
        const TProgramRun build = RunProgram(
            TONVIK_TEST_CXX, {"-I", TONVIK_REPLAYER_DIR, "-I", dir, dir + "dump.cpp", "-o", dir + "dump"});
        EXPECT_EQ(build.status, 0) << build.Output();
        return RunProgram(dir + "dump", {});
    }

    void ExpectSizeOfCompiledTables(const COvkModuleData& song)
    {
        const TProgramRun dump = CompiledTables(song);
        ASSERT_EQ(dump.status, 0) << dump.Output();
        const ovk::TSongTableSize size = ovk::SongTableSize(song);
        EXPECT_EQ(std::to_string(size.bytes), dump.err);
        const std::vector<std::uint8_t> image = ovk::SongTableImage(song);
        EXPECT_EQ(std::string(image.begin(), image.end()), dump.out);
        EXPECT_GT(size.deflated, 0u);
    }

    CTempFolder m_folder;
};

TEST_F(SongTableSize, MatchesTheCompiledArraysOfEveryEffect)
{
    COvkModuleData song;
    LoadSong(song, GoldenBytes("effects.tonvik"));
    ExpectSizeOfCompiledTables(song);
}

TEST_F(SongTableSize, MatchesTheCompiledArraysOfPatternsAndOscillators)
{
    // Gaps between written patterns, FM modulators, negative fields and
    // shared constants: every field of every record at its place.
    COvkModuleData song;
    song.orderTable[0][0] = 3;
    song.orderTable[0][2] = 1;
    song.orderTable[5][1] = 15;
    song.patterns[0][3][0] = 192;
    song.patterns[0][1][5] = 255;
    song.patterns[5][15][15] = 1;
    ovk::TOvkOscillator carrier;
    carrier.cents = -2400;
    carrier.fmEnabled = true;
    carrier.volumeEnvelope.keepEnabled = false;
    carrier.volumeEnvelope.min = -300;
    carrier.volumeEnvelope.speed = -7;
    carrier.volumeEnvelope.resetMode = ovk::RESET_FOURTH_PATTERN;
    song.channels[5].AddPair(carrier, carrier);
    song.channels[5].volume = 255;
    song.channels[5].envelope.sustainEnabled = false;
    song.channels[2].carriers[0].type = ovk::OSC_NOISE;
    song.masterVolume = 300;
    ExpectSizeOfCompiledTables(song);

    // An empty song still lists every channel's oscillators.
    ExpectSizeOfCompiledTables(COvkModuleData());
}

} // namespace
