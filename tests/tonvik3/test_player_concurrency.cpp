// One thread reads the player as the audio plug-in does while another edits
// the song under the write lock (and a third asks what the mixer asks).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "PlayerTestSupport.h"

namespace {

using namespace ovk;
using namespace tonvik_test;
using morvane::CRef;

TEST(PlayerConcurrency, ReadingEditingAndWatchingAtOnce)
{
    CRef<COvkModule> module = NewModule();
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        for (int c = 0; c < kChannels; ++c)
            song.patterns[c][1][0] = static_cast<std::uint32_t>(40 + c);
        song.channels[2].effects.push_back(TOvkEffect());
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    player->SetPatternLoop(true);

    constexpr int kEdits = 300;
    std::atomic<bool> editing{true};
    std::atomic<int> shortReads{0};
    std::atomic<int> reads{0};

    std::thread reader([&] {
        std::vector<std::uint8_t> buffer(1764);
        while (editing.load()) {
            if (player->Read(buffer.data(), buffer.size()) != buffer.size())
                ++shortReads;
            ++reads;
        }
    });
    std::thread watcher([&] {
        std::int32_t history[256];
        unsigned channel = 0;
        while (editing.load()) {
            player->SetChannelEnabled(channel % 8, channel % 3 != 0);
            player->GetHistory(static_cast<int>(channel % 9) - 1, static_cast<unsigned>(player->Tell()) - 512,
                               history, 256);
            player->GetRow();
            player->Eof();
            player->TimeToRow(0.5f);
            ++channel;
        }
    });
    for (int i = 0; i < kEdits; ++i) {
        Edit(module.Get(), [i](COvkModuleData& song) {
            song.channels[i % 8].volume = 50 + i % 200;
            song.tempo = 120 + i % 40;
            song.channels[2].effects[0].p2 = i % 256;
            if (i % 50 == 0)
                song.channels[5].AddPair(TOvkOscillator(), TOvkOscillator());
        });
        // Keeps the edits spread over the reads.
        while (reads.load() < i / 3)
            std::this_thread::yield();
    }
    editing = false;
    reader.join();
    watcher.join();

    EXPECT_EQ(shortReads.load(), 0);  // with the pattern loop the song never ends
    EXPECT_EQ(module->GetChangeCount(), 1u + 1u + kEdits);
}

TEST(PlayerConcurrency, AReadThatWaitsForAnEditHearsIt)
{
    CRef<COvkModule> module = NewModule();
    Edit(module.Get(), [](COvkModuleData& song) {
        PlainSong(song);
        song.channels[0].carriers[0].type = OSC_SQUARE;
        song.patterns[0][1][0] = 58;
    });
    CRef<COvkModulePlayer> player = NewPlayer(module.Get());
    player->SetPatternLoop(true);

    // Each round the editor holds the song while the reader starts a read,
    // which waits for the song and must then render with the new master
    // volume: silent in odd rounds, sounding in even ones.
    constexpr int kRounds = 200;
    std::atomic<int> round{0};
    std::atomic<int> done{0};
    int wrong = 0;
    std::thread reader([&] {
        for (int i = 1; i <= kRounds; ++i) {
            while (round.load() != i)
                std::this_thread::yield();
            const bool silent = ReadSamples(player.Get(), 64) == TSamples(64, 0);
            wrong += silent != (i % 2 == 1);
            done = i;
        }
    });
    for (int i = 1; i <= kRounds; ++i) {
        module->Lock(2)->masterVolume = i % 2 == 1 ? 0 : 100;
        round = i;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        module->Unlock();
        while (done.load() != i)
            std::this_thread::yield();
    }
    reader.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
