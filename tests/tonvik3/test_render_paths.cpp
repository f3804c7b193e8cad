// The block path against the per-sample path: random songs, read in random
// pieces with seeks, pattern loops, mutes and edits in between, must give the
// same bytes, positions, histories and noise generator state both ways.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "core/synth/CNoiseGenerator.h"

namespace {

using namespace ovk;
using namespace tonvik_test;
using morvane::CRef;

// What a player showed after each step of a script.
struct TLog {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> positions;
    std::vector<std::int32_t> histories;
    std::uint32_t noise = 0;
    bool operator==(const TLog&) const = default;
};

// Plays a random script on a new player of a new copy of the song.
// A random song whose channels all start their chains with two filters,
// the first of type first and the second of type second (the block path
// runs such pairs in one pass), but for the channels of skip, which keep
// their random chains.
void FilterPairs(std::mt19937& random, COvkModuleData& song, std::int32_t first, std::int32_t second, unsigned skip)
{
    RandomSong(random, song);
    for (int c = 0; c < kChannels; ++c) {
        if ((skip >> c) & 1)
            continue;
        std::vector<TOvkEffect>& chain = song.channels[c].effects;
        for (const std::int32_t type : {second, first}) {
            TOvkEffect effect = RandomEffect(random);
            effect.type = type;
            effect.p1 = Between(random, 0, 255);
            effect.p2 = Between(random, 0, 255);
            chain.insert(chain.begin(), effect);
        }
    }
}

// A random song in which no envelope moves but the channels' own, which
// give the channel gains: the oscillators' and effects' envelopes stand
// still (the block path then runs blocks over several ticks).
void OnlyGainsMove(std::mt19937& random, COvkModuleData& song)
{
    RandomSong(random, song);
    for (COvkModuleChannel& channel : song.channels) {
        for (std::vector<TOvkOscillator>* oscillators : {&channel.carriers, &channel.modulators})
            for (TOvkOscillator& o : *oscillators)
                o.volumeEnvelope.speed = o.transposeEnvelope.speed = 0;
        for (TOvkEffect& effect : channel.effects)
            effect.envelopeA.speed = effect.envelopeB.speed = 0;
    }
}

using TSongMaker = std::function<void(std::mt19937&, COvkModuleData&)>;

TLog Play(std::uint32_t seed, bool reference, const TSongMaker& make = RandomSong)
{
    std::mt19937 random(seed);
    CRef<COvkModule> module = NewModule();
    Edit(module.Get(), [&](COvkModuleData& song) { make(random, song); });
    CNoiseGenerator::ResetForThisThread();
    CRef<COvkModulePlayer> player = NewPlayer(nullptr);
    player->SetReferenceRendering(reference);
    player->Connect(module.Get());

    TLog log;
    std::vector<std::uint8_t> buffer(6000);
    for (int step = 0; step < 250; ++step) {
        const std::int32_t roll = Between(random, 0, 99);
        if (roll < 70) {
            const std::uint64_t count = static_cast<std::uint64_t>(Between(random, 0, 5999));
            const std::uint64_t got = player->Read(buffer.data(), count);
            log.bytes.insert(log.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        } else if (roll < 78) {
            player->Seek(static_cast<std::uint64_t>(Between(random, 0, 700000)));
        } else if (roll < 82) {
            player->SetPatternLoop(random() % 2 == 0);
        } else if (roll < 86) {
            player->SetChannelEnabled(static_cast<unsigned>(Between(random, 0, 8)), random() % 2 == 0);
        } else {
            Edit(module.Get(), [&random](COvkModuleData& song) {
                COvkModuleChannel& channel = song.channels[Between(random, 0, 7)];
                switch (Between(random, 0, 5)) {
                case 0:
                    song.tempo = Between(random, 150, 255);
                    break;
                case 1:
                    channel.volume = Between(random, 0, 300);
                    break;
                case 2:
                    if (!channel.effects.empty())
                        channel.effects[0].p1 = Between(random, 0, 40);
                    break;
                case 3:
                    channel.AddPair(RandomOscillator(random), RandomOscillator(random));
                    break;
                case 4:
                    if (!channel.carriers.empty())
                        channel.carriers[0].fmEnabled = !channel.carriers[0].fmEnabled;
                    break;
                default:
                    song.patterns[Between(random, 0, 7)][Between(random, 1, 15)][Between(random, 0, 15)] =
                        static_cast<std::uint32_t>(Between(random, 0, 255));
                    break;
                }
            });
        }
        log.positions.push_back(player->Tell());
        log.positions.push_back(player->GetRow());
        log.positions.push_back(player->Eof());
        std::int32_t history[32];
        const int channel = Between(random, -1, 7);
        player->GetHistory(channel, static_cast<unsigned>(player->Tell()) - 64, history, 32);
        log.histories.insert(log.histories.end(), history, history + 32);
    }
    log.noise = CNoiseGenerator::GetState();
    return log;
}

// The block path runs vector code built for SSE2 and, where the build and
// the machine have it, for AVX2: each is checked against the per-sample path.
class RenderPaths : public ::testing::TestWithParam<TVectorPath> {
protected:
    void SetUp() override
    {
        m_path.emplace(GetParam());
        if (!m_path->Available())
            GTEST_SKIP() << "no " << VectorPathName(GetParam()) << " code in this build or on this machine";
    }

    // The block path against the per-sample path on the songs that make
    // makes from seeds first ... last: the same bytes, positions, histories
    // and noise.
    static void ExpectBothPathsAlike(std::uint32_t first, std::uint32_t last, const TSongMaker& make = RandomSong)
    {
        for (std::uint32_t seed = first; seed <= last; ++seed) {
            const TLog reference = Play(seed, true, make);
            const TLog fast = Play(seed, false, make);
            ASSERT_GT(reference.bytes.size(), 50000u) << seed;
            EXPECT_EQ(fast.bytes.size(), reference.bytes.size()) << seed;
            EXPECT_TRUE(fast.bytes == reference.bytes) << "seed " << seed;
            EXPECT_EQ(fast.positions, reference.positions) << seed;
            EXPECT_EQ(fast.histories, reference.histories) << seed;
            EXPECT_EQ(fast.noise, reference.noise) << seed;
        }
    }

private:
    std::optional<CVectorPathScope> m_path;
};

TEST_P(RenderPaths, BlockPathGivesTheSameBytesAsThePerSamplePath) { ExpectBothPathsAlike(1, 40); }

TEST_P(RenderPaths, ConsecutiveFiltersOfOneKindGiveTheSameBytesAsThePerSamplePath)
{
    const std::int32_t kinds[] = {EFFECT_LOWPASS, EFFECT_HIGHPASS, EFFECT_RESONANCE};
    std::uint32_t seed = 100;
    for (const std::int32_t first : kinds) {
        for (const std::int32_t second : kinds) {
            // 8, 6, 4, 1 or 5 channels, in turn: up to four filters of a
            // kind run in lanes of their own, more share the vector.
            const unsigned skips[] = {0u, 0x24u, 0xF0u, 0xFEu, 0x1Cu};
            const unsigned skip = skips[seed % 5];
            const TSongMaker make = [&](std::mt19937& random, COvkModuleData& song) {
                FilterPairs(random, song, first, second, skip);
            };
            const TLog reference = Play(++seed, true, make);
            const TLog fast = Play(seed, false, make);
            EXPECT_TRUE(fast.bytes == reference.bytes) << first << " then " << second << ", skip " << skip;
            EXPECT_EQ(fast.histories, reference.histories) << first << " then " << second;
        }
    }
}

TEST_P(RenderPaths, BlocksOverTicksWithMovingChannelGainsGiveTheSameBytesAsThePerSamplePath)
{
    ExpectBothPathsAlike(200, 205, OnlyGainsMove);
}

// With the pattern loop on, the end of the pattern clears the output's
// history and the stream jumps back: afterwards the history holds only what
// was played since the jump, whether the jump came inside a read or not.
TEST_P(RenderPaths, APatternLoopJumpClearsTheOutputHistoryAsSampleBySample)
{
    int heard = 0;
    for (std::uint32_t seed = 300; seed < 304; ++seed) {
        std::vector<std::int32_t> histories[2];
        for (const bool reference : {true, false}) {
            std::mt19937 random(seed);
            CRef<COvkModule> module = NewModule();
            std::uint32_t rowLength = 0;
            Edit(module.Get(), [&](COvkModuleData& song) {
                RandomSong(random, song);
                rowLength = COvkModuleData::RowLengthOf(song.tempo);
            });
            CNoiseGenerator::ResetForThisThread();
            CRef<COvkModulePlayer> player = NewPlayer(nullptr);
            player->SetReferenceRendering(reference);
            player->Connect(module.Get());
            player->SetPatternLoop(true);
            // To 100 samples past the pattern's end, in one read.
            const std::uint64_t bytes = 2 * (16ull * rowLength + 100);
            std::vector<std::uint8_t> buffer(bytes);
            ASSERT_EQ(player->Read(buffer.data(), bytes), bytes);
            std::vector<std::int32_t>& history = histories[reference ? 0 : 1];
            history.resize(300);
            player->GetHistory(-1, static_cast<unsigned>(player->Tell()) - 2 * 300, history.data(), 300);
        }
        EXPECT_EQ(histories[1], histories[0]) << "seed " << seed;
        // Nothing before the jump is left: only the 100 samples since it.
        EXPECT_EQ(std::count(histories[0].begin(), histories[0].begin() + 200, 0), 200) << "seed " << seed;
        heard += std::count(histories[0].begin() + 200, histories[0].end(), 0) < 100;
    }
    EXPECT_GT(heard, 0) << "no song sounded after the jump";
}

INSTANTIATE_TEST_SUITE_P(VectorPaths, RenderPaths, ::testing::Values(TVectorPath::Sse2, TVectorPath::Avx2),
                         [](const auto& info) { return std::string(VectorPathName(info.param)); });

} // namespace
