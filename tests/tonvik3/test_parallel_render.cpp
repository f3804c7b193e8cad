// A song rendered on several threads, its channels split between them, must
// give the bytes that one player gives on one thread, and leave the noise
// generator where that player leaves it: for random songs read in random
// pieces with edits in between, and for the reference songs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "core/files/SongFiles.h"
#include "core/module/CParallelRender.h"
#include "core/synth/CNoiseGenerator.h"
#include "support/TestSupport.h"

namespace {

using namespace ovk;
using namespace tonvik_test;
using morvane::CRef;

struct TRendered {
    std::vector<std::uint8_t> bytes;
    std::uint32_t noise = 0;  // the calling thread's generator afterwards
};

// An edit between two reads, picked by roll.
void EditBetweenReads(COvkModule* module, std::mt19937& random)
{
    Edit(module, [&random](COvkModuleData& song) {
        COvkModuleChannel& channel = song.channels[Between(random, 0, 7)];
        switch (Between(random, 0, 3)) {
        case 0:
            song.tempo = Between(random, 150, 255);
            break;
        case 1:
            channel.AddPair(RandomOscillator(random), RandomOscillator(random));
            break;
        case 2:
            channel.volume = Between(random, 0, 300);
            break;
        default:
            song.patterns[Between(random, 0, 7)][Between(random, 1, 15)][Between(random, 0, 15)] =
                static_cast<std::uint32_t>(Between(random, 0, 255));
            break;
        }
    });
}

// Renders a copy of song to its end with threads threads (0: a plain player),
// in pieces of random sizes, with an edit before some of them when edits is set.
TRendered Render(const COvkModuleData& song, unsigned threads, std::uint32_t seed, bool edits)
{
    CRef<COvkModule> module = NewModule();
    Edit(module.Get(), [&song](COvkModuleData& data) { data = song; });
    // Not the generator's start: every thread must go on from the caller's.
    CNoiseGenerator::SetState(seed * 2654435761u);
    CRef<COvkModulePlayer> player;
    std::unique_ptr<CParallelRender> parallel;
    if (threads == 0)
        player = NewPlayer(module.Get());
    else
        parallel = std::make_unique<CParallelRender>(module.Get(), threads);
    std::mt19937 random(seed);
    TRendered rendered;
    std::vector<std::uint8_t> buffer(300001);
    for (;;) {
        if (edits && random() % 4 == 0)
            EditBetweenReads(module.Get(), random);
        const std::uint64_t count = static_cast<std::uint64_t>(Between(random, 0, 300001));
        const std::uint64_t got = player ? player->Read(buffer.data(), count) : parallel->Read(buffer.data(), count);
        rendered.bytes.insert(rendered.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < count - count % 2)
            break;
    }
    rendered.noise = CNoiseGenerator::GetState();
    return rendered;
}

void ExpectSameRender(const COvkModuleData& song, std::uint32_t seed, bool edits, const std::string& what)
{
    const TRendered one = Render(song, 0, seed, edits);
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        const TRendered many = Render(song, threads, seed, edits);
        EXPECT_EQ(many.bytes.size(), one.bytes.size()) << what << ", " << threads << " threads";
        EXPECT_TRUE(many.bytes == one.bytes) << what << ", " << threads << " threads";
        EXPECT_EQ(many.noise, one.noise) << what << ", " << threads << " threads";
    }
}

// Noise carriers and modulators in every channel, notes and stop notes at
// different rows in each, so that how many numbers each channel draws, and
// where among the others they lie, changes from row to row.
void NoisySong(COvkModuleData& song)
{
    song.tempo = 240;
    for (int c = 0; c < kChannels; ++c) {
        COvkModuleChannel& channel = song.channels[c];
        channel.carriers.clear();
        channel.modulators.clear();
        for (int i = 0; i <= c % 3; ++i) {
            TOvkOscillator carrier, modulator;
            carrier.type = i == 0 ? OSC_NOISE : OSC_SINE;
            carrier.volume = 80;
            carrier.fmEnabled = true;
            modulator.type = c % 2 == 0 ? OSC_NOISE : OSC_SAW;
            modulator.volume = 60;
            channel.AddPair(carrier, modulator);
        }
        for (int p = 0; p < 4; ++p)
            song.orderTable[c][p] = 1;
        for (int r = c % 4; r < kRows; r += 3)
            song.patterns[c][1][r] = r % 2 == 0 ? static_cast<std::uint32_t>(40 + c) : kStopNote;
    }
}

TEST(ParallelRender, RandomSongsGiveThePlayersBytesOnAnyNumberOfThreads)
{
    // Half of them with edits between the reads.
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        COvkModuleData song;
        RandomSong(random, song);
        const bool edits = seed > 3;
        ExpectSameRender(song, seed, edits, "seed " + std::to_string(seed) + (edits ? " with edits" : ""));
    }
}

TEST(ParallelRender, NoiseInEveryChannelStaysInItsPlaceInTheSequence)
{
    COvkModuleData song;
    NoisySong(song);
    ExpectSameRender(song, 7, false, "noisy song");
}

TEST(ParallelRender, ReferenceSongsAndTheEmptySong)
{
    for (const char* name : {"empty", "one_sine", "waves", "effects", "arrangement", "v2_basic"}) {
        COvkModuleData song;
        const std::string path = DataPath(std::string("golden/") + name + ".tonvik");
        LoadSongFile(std::wstring(path.begin(), path.end()).c_str(), song);
        ExpectSameRender(song, 3, false, name);
    }
    CRef<COvkModule> empty = NewModule();
    CParallelRender render(empty.Get(), 2);
    std::uint8_t byte[2] = {};
    EXPECT_EQ(render.GetLength(), 0u);
    EXPECT_EQ(render.Read(byte, sizeof(byte)), 0u);
    EXPECT_EQ(render.Threads(), 2u);
}

} // namespace
