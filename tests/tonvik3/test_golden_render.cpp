// The reference songs rendered through the module player, both paths, must
// give exactly the samples of their reference WAV files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "core/files/SongFiles.h"
#include "core/synth/CNoiseGenerator.h"
#include "support/TestSupport.h"

namespace {

using namespace ovk;
using namespace tonvik_test;
using morvane::CRef;

std::vector<std::uint8_t> FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::uint8_t> Render(const std::string& name, bool reference, std::size_t chunkBytes)
{
    CRef<COvkModule> module = NewModule();
    const std::string path = DataPath("golden/" + name + ".tonvik");
    const std::wstring widePath(path.begin(), path.end());
    Edit(module.Get(), [&widePath](COvkModuleData& song) { LoadSongFile(widePath.c_str(), song); });
    CNoiseGenerator::ResetForThisThread();
    CRef<COvkModulePlayer> player = NewPlayer(nullptr);
    player->SetReferenceRendering(reference);
    player->Connect(module.Get());
    std::vector<std::uint8_t> all, buffer(chunkBytes);
    for (;;) {
        const std::uint64_t got = player->Read(buffer.data(), buffer.size());
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < buffer.size())
            return all;
    }
}

class GoldenRender : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenRender, PlayerGivesTheReferenceSamples)
{
    const std::vector<std::uint8_t> wav = FileBytes(DataPath("golden/" + GetParam() + ".wav"));
    ASSERT_GE(wav.size(), 44u);
    const std::vector<std::uint8_t> expected(wav.begin() + 44, wav.end());
    // The block path on each vector path this build and machine have.
    for (const TVectorPath vectorPath : {TVectorPath::Sse2, TVectorPath::Avx2}) {
        const CVectorPathScope scope(vectorPath);
        if (!scope.Available())
            continue;
        const std::vector<std::uint8_t> fast = Render(GetParam(), false, 8820);
        ASSERT_EQ(fast.size(), expected.size());
        std::size_t first = 0;
        while (first < fast.size() && fast[first] == expected[first])
            ++first;
        EXPECT_EQ(first, expected.size()) << VectorPathName(vectorPath) << ": first differing sample " << first / 2;
    }
    EXPECT_TRUE(Render(GetParam(), true, 1002) == expected);
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenRender,
                         ::testing::Values("empty", "one_sine", "waves", "effects", "arrangement", "v2_basic"));

} // namespace
