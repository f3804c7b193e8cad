// The demo content: current with its generator, varied as promised, and
// clean when rendered.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "SongFileTestSupport.h"
#include "core/export/COvkWavExport.h"
#include "core/files/SongFiles.h"
#include "core/module/CoreClasses.h"
#include "core/module/IOvkModule.h"
#include "morvane/api/Utf.h"
#include "support/TestSupport.h"

using namespace tonvik_test;

namespace {

const char* const kSongs[] = {"neon_steps.tonvik", "glass_garden.tonvik", "pocket_loop.tonvik"};
const char* const kInstruments[] = {"kick.tonviki", "acid_bass.tonviki", "fm_bell.tonviki", "power_pad.tonviki",
                                    "noise_riser.tonviki"};

std::string Example(const std::string& name) { return std::string(TONVIK_EXAMPLES_DIR) + "/" + name; }

ovk::COvkModuleData LoadExampleSong(const std::string& name)
{
    ovk::COvkModuleData song;
    ovk::LoadSongFile(morvane::utf::FromUtf8(Example(name)).c_str(), song);
    return song;
}

TEST(Examples, FilesAreWhatTheGeneratorMakes)
{
    const CTempFolder folder;
    const std::string command = BinPath("make_demos") + " " + folder.Get() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : kSongs)
        EXPECT_EQ(ReadFileBytes(folder.Path(name)), ReadFileBytes(Example(name))) << name;
    for (const char* name : kInstruments)
        EXPECT_EQ(ReadFileBytes(folder.Path(name)), ReadFileBytes(Example(name))) << name;
}

TEST(Examples, TogetherTheyUseEveryWaveEffectAndResetMode)
{
    std::vector<ovk::COvkModuleChannel> channels;
    for (const char* name : kSongs) {
        const ovk::COvkModuleData song = LoadExampleSong(name);
        EXPECT_GE(song.SongLength(), 8) << name;
        for (const ovk::COvkModuleChannel& channel : song.channels)
            channels.push_back(channel);
    }
    for (const char* name : kInstruments) {
        ovk::COvkModuleChannel channel;
        ovk::LoadInstrumentFile(morvane::utf::FromUtf8(Example(name)).c_str(), channel);
        channels.push_back(channel);
    }
    std::set<int> waves, effects, resetModes;
    bool fm = false;
    for (const ovk::COvkModuleChannel& channel : channels) {
        resetModes.insert(channel.envelope.resetMode);
        for (std::size_t i = 0; i < channel.carriers.size(); ++i) {
            const ovk::TOvkOscillator& carrier = channel.carriers[i];
            waves.insert(carrier.type);
            resetModes.insert(carrier.volumeEnvelope.resetMode);
            resetModes.insert(carrier.transposeEnvelope.resetMode);
            if (carrier.fmEnabled && channel.ModulatorOf(i).volume > 0) {
                fm = true;
                waves.insert(channel.ModulatorOf(i).type);
                resetModes.insert(channel.ModulatorOf(i).volumeEnvelope.resetMode);
            }
        }
        for (const ovk::TOvkEffect& effect : channel.effects) {
            effects.insert(effect.type);
            if (effect.type != ovk::EFFECT_DELAY)
                resetModes.insert(effect.envelopeA.resetMode);
        }
    }
    EXPECT_EQ(waves, (std::set<int>{0, 1, 2, 3}));
    EXPECT_TRUE(fm);
    EXPECT_EQ(effects, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(resetModes, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST(Examples, SongsRenderLoudWithoutClipping)
{
    ovk::RegisterCoreClasses();
    for (const char* name : kSongs) {
        const auto module = SongModule(LoadExampleSong(name));
        ovk::TWavExportResult result = ovk::TWavExportResult::Failed;
        const TBytes wav =
            WriteToMemory([&](morvane::IOutputStream* stream) { result = ovk::ExportWav(module.Get(), stream).result; });
        ASSERT_EQ(result, ovk::TWavExportResult::Completed);
        int peak = 0, clipped = 0;
        for (std::size_t i = 44; i + 1 < wav.size(); i += 2) {
            const int sample = static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8);
            peak = std::max(peak, std::abs(sample));
            clipped += sample == 32767 || sample == -32768;
        }
        EXPECT_EQ(clipped, 0) << name;
        EXPECT_GT(peak, 26000) << name;
        EXPECT_GT(wav.size(), 44u + 2 * 44100 * 20) << name;  // longer than 20 s
    }
}

} // namespace
