// The replayer example (examples/replayer), built with pocket_loop: what it
// writes and what it hands to the sound card are the editor's render.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

using namespace tonvik_test;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Where the first sample that is not 0 starts; npos when there is none.
std::size_t FirstSound(const std::string& samples)
{
    const std::size_t byte = samples.find_first_not_of('\0');
    return byte == std::string::npos ? byte : byte & ~std::size_t(1);
}

// The editor's render of the song built into the example.
std::string EditorWav() { return ReadFile(std::string(TONVIK_REPLAYER_SONGS_DIR) + "/pocket_loop/editor.wav"); }

TEST(ReplayerExample, WritesTheEditorsRenderAsWav)
{
    const CTempFolder folder;
    const TProgramRun run = RunProgram(BinPath("replayer_example"), {"--wav", folder.Path("song.wav")});
    ASSERT_EQ(run.status, 0) << run.Output();
    const std::string editor = EditorWav();
    ASSERT_GT(editor.size(), 44u + 2 * 44100 * 20);
    EXPECT_TRUE(ReadFile(folder.Path("song.wav")) == editor) << "the WAV file differs from the editor's render";
}

TEST(ReplayerExample, PlaysTheEditorsRenderThroughTheSoundCard)
{
    // SDL's disk driver writes what the program hands to the device, unpaced:
    // silence while the device waits, the song, then silence again.
    const CTempFolder folder;
    TProgramOptions options;
    options.env = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + folder.Path("card.raw"), "SDL_DISKAUDIODELAY=0"};
    const TProgramRun run = RunProgram(BinPath("replayer_example"), {}, options);
    ASSERT_EQ(run.status, 0) << run.Output();
    const std::string samples = EditorWav().substr(44);
    const std::string card = ReadFile(folder.Path("card.raw"));
    // The song starts after the silence and with the first sample that is not 0.
    const std::size_t first = FirstSound(samples);
    ASSERT_NE(first, std::string::npos);
    const std::size_t start = FirstSound(card);
    ASSERT_NE(start, std::string::npos) << "nothing but silence reached the device";
    ASSERT_GE(start, first);
    ASSERT_GE(card.size(), start - first + samples.size());
    EXPECT_TRUE(card.compare(start - first, samples.size(), samples) == 0) << "the device got other samples";
    EXPECT_EQ(card.find_first_not_of('\0', start - first + samples.size()), std::string::npos)
        << "something followed the song";
}

TEST(ReplayerExample, RefusesAnUnknownArgument)
{
    const TProgramRun run = RunProgram(BinPath("replayer_example"), {"--loud"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("usage: replayer_example [--wav FILE]"), std::string::npos) << run.err;
}

} // namespace
