// The demo content: current with its generator, varied as promised, and
// clean when rendered; the instrument library: every instrument sounds, none
// clips, none drones on after its release, and no two sound the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
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

namespace fs = std::filesystem;

const char* const kSongs[] = {"neon_steps.tonvik", "glass_garden.tonvik", "pocket_loop.tonvik",
                              "night_drive.tonvik"};

std::string Example(const std::string& name) { return std::string(TONVIK_EXAMPLES_DIR) + "/" + name; }

// The files of the instrument library under a folder, as paths relative to it, in order.
std::vector<std::string> LibraryFiles(const std::string& folder)
{
    std::vector<std::string> files;
    const fs::path root = fs::path(folder) / "instruments";
    if (fs::is_directory(root))
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                files.push_back(fs::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

ovk::COvkModuleChannel LoadExampleInstrument(const std::string& name)
{
    ovk::COvkModuleChannel channel;
    ovk::LoadInstrumentFile(morvane::utf::FromUtf8(Example(name)).c_str(), channel);
    return channel;
}

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
    const std::vector<std::string> library = LibraryFiles(TONVIK_EXAMPLES_DIR);
    EXPECT_EQ(LibraryFiles(folder.Get()), library);
    for (const std::string& name : library)
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
    for (const std::string& name : LibraryFiles(TONVIK_EXAMPLES_DIR))
        channels.push_back(LoadExampleInstrument(name));
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

// An instrument in channel 0 of a new song (master volume 100, 120 BPM): C-4
// held for two seconds, then a stop note, four seconds in all.
std::vector<std::int16_t> RenderAtC4(const ovk::COvkModuleChannel& instrument)
{
    ovk::COvkModuleData song;
    song.channels[0] = instrument;
    song.orderTable[0][0] = 1;
    song.orderTable[0][1] = 2;
    song.patterns[0][1][0] = 49;  // C-4
    song.patterns[0][2][0] = ovk::kStopNote;
    const auto module = SongModule(song);
    ovk::TWavExportResult result = ovk::TWavExportResult::Failed;
    const TBytes wav =
        WriteToMemory([&](morvane::IOutputStream* stream) { result = ovk::ExportWav(module.Get(), stream).result; });
    EXPECT_EQ(result, ovk::TWavExportResult::Completed);
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44; i + 1 < wav.size(); i += 2)
        samples.push_back(static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8));
    return samples;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to)
{
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

TEST(InstrumentLibrary, EveryInstrumentSoundsAtC4WithoutClippingAndDiesAwayAfterItsRelease)
{
    ovk::RegisterCoreClasses();
    const std::vector<std::string> files = LibraryFiles(TONVIK_EXAMPLES_DIR);
    EXPECT_GE(files.size(), 24u);
    std::map<std::vector<std::int16_t>, std::string> renders;
    std::set<std::string> kinds;
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fs::path(name).extension(), ".tonviki");
        kinds.insert(fs::path(name).parent_path().filename().string());
        const std::vector<std::int16_t> samples = RenderAtC4(LoadExampleInstrument(name));
        ASSERT_EQ(samples.size(), 2u * 16 * 5512);
        int peak = 0, clipped = 0;
        for (const std::int16_t sample : samples) {
            peak = std::max(peak, std::abs(int(sample)));
            clipped += sample == 32767 || sample == -32768;
        }
        // Heard: louder than -20 dBFS at its own channel volume; and room to mix it.
        EXPECT_GT(peak, 3300);
        EXPECT_LT(peak, 23000);
        EXPECT_EQ(clipped, 0);
        // The last half second, 1.5 s after the stop note, is 24 dB below the peak or quieter.
        EXPECT_LT(Rms(samples, samples.size() - 22050, samples.size()), peak / 16.0);
        const auto [other, added] = renders.emplace(samples, name);
        EXPECT_TRUE(added) << "sounds the same as " << other->second;
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"bass", "drums", "fx", "keys", "lead", "pad"}));
}

} // namespace
