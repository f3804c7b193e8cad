// Random edits of a song while it plays, through the layer where the
// editor's thread meets the audio thread: the module and its lock, the player
// that the audio plug-in reads on its own thread, and the playback monitor
// that follows the heard position. No Qt, so that it also runs under the
// thread sanitizer; the editor's own model fuzzer drives the same kinds of
// edits through the panes.
//
// Every edit is made under the song's write lock and, the same, on a copy the
// test keeps. After every step: the song holds exactly what the copy holds,
// its change counter advanced once per write, and it saves, loads and saves
// to the same bytes. A failure names its seed and step; TONVIK_FUZZ_SEED and
// TONVIK_FUZZ_STEPS replay or lengthen a run (scripts/model-fuzz.sh).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "PlayerTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/song/COvkModuleData.h"
#include "gui/document/CSongPlayback.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/ClassIds.h"
#include "support/ModelFuzz.h"
#include "support/TestSupport.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvik_test;
using ovk::COvkModuleData;

using TEdit = std::function<void(COvkModuleData&)>;

// A random envelope field of a random envelope of a channel.
TEdit EnvelopeEdit(CFuzzRandom& random, int channel, const COvkModuleData& song, std::string& what)
{
    const ovk::COvkModuleChannel& record = song.channels[channel];
    const int kind = random.Below(3);
    const int oscillators = static_cast<int>(record.carriers.size());
    const int effects = static_cast<int>(record.effects.size());
    const int index = random.Below(1 + std::max(oscillators, effects));
    const int field = random.Below(9);
    const int value = random.Between(-100, 70000);
    const bool second = random.Chance(0.5);
    what = "envelope " + std::to_string(kind) + "/" + std::to_string(index) + " field " + std::to_string(field);
    return [=](COvkModuleData& s) {
        ovk::COvkModuleChannel& c = s.channels[channel];
        ovk::TOvkEnvelope* e = &c.envelope;
        if (kind == 1 && index < static_cast<int>(c.carriers.size()))
            e = second ? &c.modulators[index].volumeEnvelope : &c.carriers[index].transposeEnvelope;
        else if (kind == 2 && index < static_cast<int>(c.effects.size()))
            e = second ? &c.effects[index].envelopeB : &c.effects[index].envelopeA;
        switch (field) {
        case 0: e->min = value % 512; break;
        case 1: e->max = value % 512; break;
        case 2: e->speed = value; break;
        case 3: e->resetMode = value % 5; break;
        case 4: e->phase = value % 65536; break;
        case 5: e->keepPosition = value % 65536; break;
        case 6: e->sustainPosition = value % 65536; break;
        case 7: e->keepEnabled = !e->keepEnabled; break;
        default: e->sustainEnabled = !e->sustainEnabled; break;
        }
    };
}

// One random edit of the song as the editor makes them, described in what.
TEdit RandomEdit(CFuzzRandom& random, const COvkModuleData& song, std::string& what)
{
    const int channel = random.Below(ovk::kChannels);
    const int pattern = random.Below(ovk::kPatterns);
    const int row = random.Below(ovk::kRows);
    // Mostly the first positions, where the song plays.
    const int position = random.Chance(0.9) ? random.Below(12) : random.Below(ovk::kOrderPositions);
    const ovk::COvkModuleChannel& record = song.channels[channel];
    const int pairs = static_cast<int>(record.carriers.size());
    const int effects = static_cast<int>(record.effects.size());
    switch (random.Below(20)) {
    case 0:
    case 1:
    case 2: {
        const int choice = random.Below(10);
        const std::uint32_t note = choice == 0 ? 0 : choice == 1 ? ovk::kStopNote : static_cast<std::uint32_t>(random.Between(1, 120));
        what = "note " + std::to_string(note);
        return [=](COvkModuleData& s) { s.patterns[channel][pattern][row] = note; };
    }
    case 3:
    case 4: {
        const std::uint32_t entry = static_cast<std::uint32_t>(random.Below(ovk::kPatterns));
        what = "order entry " + std::to_string(position) + " = " + std::to_string(entry);
        return [=](COvkModuleData& s) { s.orderTable[channel][position] = entry; };
    }
    case 5: {
        const bool insert = random.Chance(0.5);
        what = insert ? "insert row" : "delete row";
        return [=](COvkModuleData& s) {
            if (insert)
                s.InsertRow(channel, pattern, row);
            else
                s.DeleteRow(channel, pattern, row);
        };
    }
    case 6: {
        const bool insert = random.Chance(0.5);
        what = insert ? "insert position" : "delete position";
        return [=](COvkModuleData& s) {
            if (insert)
                s.InsertOrderPosition(position);
            else
                s.DeleteOrderPosition(position);
        };
    }
    case 7: {
        // A block of cells pasted elsewhere in the patterns.
        const int width = random.Between(1, 4), height = random.Between(1, 8);
        const int toChannel = random.Below(ovk::kChannels - width + 1), toRow = random.Below(ovk::kRows - height + 1);
        const int fromChannel = random.Below(ovk::kChannels - width + 1), fromRow = random.Below(ovk::kRows - height + 1);
        const int toPattern = random.Below(ovk::kPatterns);
        what = "paste block";
        return [=](COvkModuleData& s) {
            const COvkModuleData copy = s;
            for (int c = 0; c < width; ++c)
                for (int r = 0; r < height; ++r)
                    s.patterns[toChannel + c][toPattern][toRow + r] = copy.patterns[fromChannel + c][pattern][fromRow + r];
        };
    }
    case 8: {
        const int action = pairs == 0 ? 0 : random.Below(3);
        const int index = pairs == 0 ? 0 : random.Below(pairs);
        const int to = pairs == 0 ? 0 : random.Below(pairs);
        what = "oscillator pair " + std::to_string(action);
        return [=](COvkModuleData& s) {
            ovk::COvkModuleChannel& c = s.channels[channel];
            if (action == 0 && c.carriers.size() < 16)
                c.AddPair(ovk::TOvkOscillator(), ovk::TOvkOscillator());
            else if (action == 1)
                c.RemovePair(static_cast<std::size_t>(index));
            else if (action == 2)
                c.MovePair(static_cast<std::size_t>(index), static_cast<std::size_t>(to));
        };
    }
    case 9: {
        if (pairs == 0)
            break;
        const int index = random.Below(pairs);
        const bool modulator = random.Chance(0.5);
        const int field = random.Below(4);
        const int value = random.Between(-2400, 2400);
        what = "oscillator field " + std::to_string(field);
        return [=](COvkModuleData& s) {
            ovk::TOvkOscillator& o = modulator ? s.channels[channel].modulators[index] : s.channels[channel].carriers[index];
            switch (field) {
            case 0: o.type = (value + 2400) % 13; break;
            case 1: o.volume = (value + 2400) % 256; break;
            case 2: o.cents = value; break;
            default: o.fmEnabled = !o.fmEnabled; break;
            }
        };
    }
    case 10: {
        const int action = effects == 0 ? 0 : random.Below(4);
        const int index = effects == 0 ? 0 : random.Below(effects);
        const int to = effects == 0 ? 0 : random.Below(effects);
        const std::int32_t type = random.Below(7);
        what = "effect " + std::to_string(action);
        return [=](COvkModuleData& s) {
            auto& list = s.channels[channel].effects;
            if (action == 0 && list.size() < 8) {
                ovk::TOvkEffect effect;
                effect.SetType(type);
                list.push_back(effect);
            } else if (action == 1) {
                list.erase(list.begin() + index);
            } else if (action == 2) {
                const ovk::TOvkEffect moved = list[static_cast<std::size_t>(index)];
                list.erase(list.begin() + index);
                list.insert(list.begin() + to, moved);
            } else if (action == 3) {
                list[static_cast<std::size_t>(index)].SetType(type);
            }
        };
    }
    case 11: {
        if (effects == 0)
            break;
        const int index = random.Below(effects);
        const bool first = random.Chance(0.5);
        const int value = random.Between(0, 3200);
        what = "effect parameter";
        return [=](COvkModuleData& s) {
            ovk::TOvkEffect& e = s.channels[channel].effects[static_cast<std::size_t>(index)];
            (first ? e.p1 : e.p2) = e.type == ovk::EFFECT_DELAY && first ? value : value % 256;
        };
    }
    case 12:
    case 13:
        return EnvelopeEdit(random, channel, song, what);
    case 14: {
        const int tempo = random.Between(40, 255);
        what = "tempo " + std::to_string(tempo);
        return [=](COvkModuleData& s) { s.tempo = tempo; };
    }
    case 15: {
        const int volume = random.Between(0, 255);
        const bool master = random.Chance(0.3);
        what = master ? "master volume" : "channel volume";
        return [=](COvkModuleData& s) { (master ? s.masterVolume : s.channels[channel].volume) = volume; };
    }
    case 16: {
        const int from = random.Below(ovk::kChannels);
        what = "copy channel";
        return [=](COvkModuleData& s) { s.channels[channel] = ovk::COvkModuleChannel(s.channels[from]); };
    }
    default:
        break;
    }
    const int value = random.Between(1, 120);
    what = "note " + std::to_string(value);
    return [=](COvkModuleData& s) { s.patterns[channel][pattern][row] = static_cast<std::uint32_t>(value); };
}

class ModuleFuzz : public ::testing::TestWithParam<std::uint32_t> {
protected:
    void SetUp() override
    {
        m_device = morvane::CreateRef<morvane::IAudioDevice>(morvane::clsid::CAudioDevice);
        ASSERT_TRUE(m_device);
        m_device->Open();
        m_module = NewModule();
        m_player = NewPlayer(m_module.Get());
        for (auto& enabled : m_enabled)
            enabled = 1;
        for (const char* name : {"golden/arrangement.tonvik", "golden/effects.tonvik", "golden/waves.tonvik",
                                 "golden/v2_basic.tonvik", "golden/one_sine.tonvik", "golden/empty.tonvik"})
            m_songs.push_back(ReadFileBytes(DataPath(name)));
    }
    void TearDown() override
    {
        m_playback.reset();
        if (m_device)
            m_device->Close();
    }

    // The monitor's events, checked on its own thread.
    void Post(const ovk::TPlaybackEvent& event)
    {
        if (event.kind != ovk::TPlaybackEvent::POSITION || event.order == ovk::CSongPlayback::kNoPosition)
            return;
        if (event.row < 0 || event.row >= 16 * ovk::kOrderPositions || event.order != event.row / 16)
            m_badEvents++;
        m_positions++;
    }

    ovk::TPlaybackRequest Request(int start, bool pattern)
    {
        ovk::TPlaybackRequest request;
        request.song = morvane::CRef<ovk::IOvkModule>(m_module.Get());
        request.player = morvane::CRef<ovk::IOvkModulePlayer>(m_player.Get());
        request.device = m_device;
        request.startPosition = start;
        request.patternMode = pattern;
        request.channelEnabled = m_enabled.data();
        return request;
    }

    // One write of the song: the edit under the lock, and on the copy.
    void Write(const TEdit& edit)
    {
        edit(*m_module->Lock(ovk::kSongWrite));
        m_module->Unlock();
        edit(m_expected);
        ++m_writes;
    }

    // The song as it is, read under the lock (as the autosave and the
    // exports read it).
    COvkModuleData Song()
    {
        COvkModuleData copy = *m_module->Lock(ovk::kSongRead);
        m_module->Unlock();
        return copy;
    }

    // Reads the heard history as the scopes do.
    void LookAtTheScopes(CFuzzRandom& random)
    {
        morvane::CRef<morvane::IMediaControl> control = m_playback->Control();
        if (!control || !m_playback->IsPlaying())
            return;
        std::int32_t samples[512];
        const auto at = static_cast<unsigned int>(static_cast<std::uint64_t>(control->TellTime() * 44100) * 2);
        m_player->GetHistory(random.Between(-1, 7), at - sizeof(samples), samples, 512);
    }

    std::array<std::atomic<std::uint8_t>, 8> m_enabled;
    morvane::CRef<morvane::IAudioDevice> m_device;
    morvane::CRef<ovk::COvkModule> m_module;
    morvane::CRef<ovk::COvkModulePlayer> m_player;
    std::vector<TBytes> m_songs;
    COvkModuleData m_expected;
    std::uint32_t m_writes = 0;
    std::atomic<int> m_badEvents{0};
    std::atomic<int> m_positions{0};
    std::unique_ptr<ovk::CSongPlayback> m_playback =
        std::make_unique<ovk::CSongPlayback>([this](const ovk::TPlaybackEvent& e) { Post(e); });
};

// Steps per seed in the test command. The thread sanitizer slows the player
// down so much that the edits mostly wait for its lock: fewer steps there.
#if defined(__SANITIZE_THREAD__)
#define TONVIK_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TONVIK_THREAD_SANITIZER 1
#endif
#endif
#ifdef TONVIK_THREAD_SANITIZER
constexpr int kSteps = 400;
#else
constexpr int kSteps = 1500;
#endif

TEST_P(ModuleFuzz, EditsWhilePlayingKeepTheSongWhole)
{
    const std::uint32_t seed = GetParam();
    const int steps = FuzzSteps(kSteps);
    std::printf("module model fuzz: seed %u, %d steps\n", seed, steps);
    CFuzzRandom random(seed);
    // A song that plays from the start.
    Write([this](COvkModuleData& s) { LoadSong(s, m_songs[0]); });
    const std::uint32_t firstCount = m_module->GetChangeCount() - m_writes;
    m_playback->Start(Request(0, false));
    int playing = 0;
    for (int step = 0; step < steps; ++step) {
        playing += m_playback->IsPlaying();
        std::string what;
        const int kind = random.Below(1000);
        if (kind < 700) {
            Write(RandomEdit(random, m_expected, what));
        } else if (kind < 715) {
            // Open: a whole song replaces the old one under the write lock.
            const TBytes& bytes = random.Pick(m_songs);
            what = "open";
            Write([&bytes](COvkModuleData& s) { LoadSong(s, bytes); });
        } else if (kind < 720) {
            what = "new";
            Write([](COvkModuleData& s) { s.Reset(); });
        } else if (kind < 760 || (kind < 800 && !m_playback->IsPlaying())) {
            // Mostly while nothing plays: the composer listens again.
            const bool pattern = random.Chance(0.4);
            const int start = random.Below(6);
            what = pattern ? "pattern play" : "play";
            m_playback->Start(Request(start, pattern));
        } else if (kind < 815) {
            what = "stop";
            if (random.Chance(0.5))
                m_playback->Stop();
            else
                m_playback->StopAndWait();
        } else if (kind < 855) {
            const int channel = random.Below(8);
            const bool enabled = random.Chance(0.5);
            what = "mute";
            m_enabled[channel] = enabled;
            m_player->SetChannelEnabled(static_cast<unsigned int>(channel), enabled);
        } else if (kind < 915) {
            what = "scopes";
            LookAtTheScopes(random);
        } else {
            // Lets the audio thread and the monitor run a while.
            what = "listen";
            std::this_thread::sleep_for(std::chrono::milliseconds(random.Between(1, 20)));
        }

        SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + what);
        ASSERT_EQ(m_module->GetChangeCount(), firstCount + m_writes);
        const COvkModuleData song = Song();
        const TBytes saved = SaveSong(song);
        ASSERT_EQ(saved, SaveSong(m_expected)) << "the song differs from what was written";
        COvkModuleData again;
        LoadSong(again, saved);
        ASSERT_EQ(SaveSong(again), saved) << "a save then load does not give the same bytes";
        ASSERT_EQ(m_badEvents.load(), 0);
    }
    m_playback->StopAndWait();
    EXPECT_FALSE(m_playback->IsPlaying());
    std::printf("module model fuzz: seed %u done, %u writes, %d steps while playing, %d positions heard\n",
                seed, m_writes, playing, m_positions.load());
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModuleFuzz, ::testing::ValuesIn(FuzzSeeds({1, 2})));

} // namespace
