// tonvik3-cli play, run as a program: to the end of a song, looping a pattern
// until Ctrl+C, and without the audio plug-in.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using tonvik_test::RunProgram;
using tonvik_test::TProgramOptions;

TProgramOptions Env(std::vector<std::string> env, std::chrono::milliseconds interruptAfter = 0ms)
{
    TProgramOptions options;
    options.env = std::move(env);
    options.interruptAfter = interruptAfter;
    return options;
}

const std::string kCli = tonvik_test::BinPath("tonvik3-cli");
// Four order positions of two seconds each.
const std::string kSong = tonvik_test::DataPath("golden/arrangement.tonvik");
const TProgramOptions kDummy = Env({"SDL_AUDIODRIVER=dummy"});

TEST(CliPlayTest, PlaysFromAPositionToTheEndOfTheSong)
{
    const auto run = RunProgram(kCli, {"play", kSong, "--from", "3"}, kDummy);
    EXPECT_EQ(run.status, 0) << run.Output();
    // The last position, two seconds, in real time.
    EXPECT_GE(run.seconds, 1.9);
    EXPECT_LT(run.seconds, 6.0);
    EXPECT_NE(run.Output().find("position 3/4  row 0  0:06.0"), std::string::npos) << run.Output();
    EXPECT_EQ(run.Output().find("position 2/4"), std::string::npos) << run.Output();
}

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CliPlayTest, EveryByteOfTheSongReachesTheCard)
{
    // SDL's disk driver stands in for the card and writes what it gets; in
    // lockstep with the refill, so that a busy machine cannot make it play
    // old bytes.
    tonvik_test::CTempFolder folder;
    const std::string raw = folder.Path("card.raw");
    const auto run = RunProgram(kCli, {"play", tonvik_test::DataPath("golden/one_sine.tonvik")},
                                Env({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + raw, "MRVX_STD_DXA8_LOCKSTEP=1"}));
    EXPECT_EQ(run.status, 0) << run.Output();
    const std::vector<char> heard = ReadAll(raw);
    std::vector<char> song = ReadAll(tonvik_test::DataPath("golden/one_sine.wav"));
    song.erase(song.begin(), song.begin() + 44);
    // Silence (SDL may hand the card a chunk of it before the output starts),
    // the song from its first sample that is not 0 to its very last, silence.
    auto nonZero = [](char b) { return b != 0; };
    const auto songStart = std::find_if(song.begin(), song.end(), nonZero);
    const auto heardStart = std::find_if(heard.begin(), heard.end(), nonZero);
    ASSERT_GE(heardStart - heard.begin(), songStart - song.begin());
    ASSERT_GE(heard.end() - heardStart, song.end() - songStart);
    const auto differ = std::mismatch(songStart, song.end(), heardStart);
    EXPECT_TRUE(differ.first == song.end()) << "first difference at byte " << (differ.first - song.begin());
    EXPECT_TRUE(std::all_of(differ.second, heard.end(), [](char b) { return b == 0; }));
}

TEST(CliPlayTest, WithoutACardOnlyOurOwnLineShows)
{
    // SDL's alsa driver, which the ALSA library behind it fills stderr for
    // when there is no card.
    const auto run = RunProgram(kCli, {"play", tonvik_test::DataPath("golden/one_sine.tonvik")},
                                Env({"SDL_AUDIODRIVER=alsa"}));
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(run.err.find("ALSA lib"), std::string::npos) << run.err;
    if (!fs::exists("/dev/snd")) {
        EXPECT_EQ(run.err, "Morvane message: No audio output device found; playing silently\n");
    }
}

TEST(CliPlayTest, LoopsThePatternUntilCtrlC)
{
    const auto run =
        RunProgram(kCli, {"play", kSong, "--from", "3", "--pattern"}, Env({"SDL_AUDIODRIVER=dummy"}, 3000ms));
    // Past the end of the song, still playing; Ctrl+C ends it cleanly.
    EXPECT_TRUE(run.stillRunningAtInterrupt) << run.Output();
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(run.Output().find("position 4/"), std::string::npos) << run.Output();
    EXPECT_EQ(run.Output().find("Exception"), std::string::npos) << run.Output();
}

TEST(CliPlayTest, RefusesPositionsPastTheEnd)
{
    const auto run = RunProgram(kCli, {"play", kSong, "--from", "4"}, kDummy);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.Output().find("position 4 is past the end of the song (4 positions)"), std::string::npos)
        << run.Output();
    // Below the first position: the range, in a short line.
    const auto negative = RunProgram(kCli, {"play", kSong, "--from", "-1"}, kDummy);
    EXPECT_EQ(negative.status, 1);
    EXPECT_EQ(negative.err.rfind("--from: Value -1 not in range 0 to 255\n", 0), 0u) << negative.err;
    EXPECT_LT(negative.err.size(), 100u) << negative.err;
}

TEST(CliPlayTest, WithoutThePluginOnlyPlayingFails)
{
    // The program alone in a folder: no plug-in beside it or in plugins/.
    if (fs::exists(fs::path(TONVIK_PLUGIN_INSTALL_DIR) / "mrvx_std_dxa8.so"))
        GTEST_SKIP() << "an installed plug-in would be found";
    tonvik_test::CTempFolder folder;
    const std::string program = folder.Path("tonvik3-cli");
    fs::copy_file(kCli, program);
    const TProgramOptions env = Env({"LD_LIBRARY_PATH=" + tonvik_test::BinPath("")});

    const auto play = RunProgram(program, {"play", kSong}, env);
    EXPECT_EQ(play.status, 1);
    EXPECT_NE(play.Output().find("no audio output plug-in loaded"), std::string::npos) << play.Output();
    EXPECT_NE(play.Output().find("mrvx_std_dxa8"), std::string::npos) << play.Output();

    // What needs no sound still works.
    const auto info = RunProgram(program, {"info", kSong}, env);
    EXPECT_EQ(info.status, 0) << info.Output();
    EXPECT_NE(info.Output().find("4 positions"), std::string::npos) << info.Output();
}

} // namespace
