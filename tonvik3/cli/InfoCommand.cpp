// tonvik3-cli info FILE [--json]: what a song or instrument holds.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/export/SongJson.h"
#include "core/export/SongTableSize.h"
#include "core/files/SongFiles.h"
#include "core/synth/EffectLines.h"

namespace ovk::cli {

namespace {

std::string OscillatorText(const TOvkOscillator& oscillator)
{
    const char* name = OscillatorTypeName(oscillator.type);
    std::string text = *name ? name : "type " + std::to_string(oscillator.type);
    text += " vol " + std::to_string(oscillator.volume);
    if (oscillator.cents != 0)
        text += (oscillator.cents > 0 ? " +" : " ") + std::to_string(oscillator.cents) + "c";
    return text;
}

// The first line goes where the caller left the cursor, the others below it at indent.
void PrintChannel(const COvkModuleChannel& channel, const char* indent)
{
    std::printf("volume %d, %zu oscillator pair%s, %zu effect%s\n", channel.volume, channel.carriers.size(),
                channel.carriers.size() == 1 ? "" : "s", channel.effects.size(),
                channel.effects.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < channel.carriers.size(); ++i) {
        const TOvkOscillator& carrier = channel.carriers[i];
        std::printf("%s  pair %zu: %s", indent, i + 1, OscillatorText(carrier).c_str());
        if (carrier.fmEnabled)
            std::printf(", FM from %s", OscillatorText(channel.ModulatorOf(i)).c_str());
        std::printf("\n");
    }
    if (!channel.effects.empty()) {
        std::printf("%s  effects:", indent);
        for (std::size_t i = 0; i < channel.effects.size(); ++i)
            std::printf("%s %s", i ? "," : "", EffectTypeName(channel.effects[i].type));
        std::printf("\n");
    }
}

void PrintSong(const std::string& path, const COvkModuleData& song)
{
    const int length = song.SongLength();
    const std::uint32_t rowLength = song.RowLength();
    const double seconds = static_cast<double>(length) * kRows * rowLength / kSampleRate;
    // Minutes and seconds from the length rounded to hundredths, as it is shown:
    // 239.9996 s is 4:00.00, not 3:60.00.
    const long long hundredths = std::llround(seconds * 100);
    std::printf("Song: %s\n", path.c_str());
    std::printf("Length: %d position%s, %lld:%02lld.%02lld (%.2f s)\n", length, length == 1 ? "" : "s",
                hundredths / 6000, hundredths / 100 % 60, hundredths % 100, seconds);
    std::printf("Tempo: %d BPM (%u samples per row)\n", song.tempo, rowLength);
    std::printf("Master volume: %d\n", song.masterVolume);
    const TSongTableSize tables = SongTableSize(song);
    std::printf("Replayer tables: %llu bytes, %llu deflated\n", static_cast<unsigned long long>(tables.bytes),
                static_cast<unsigned long long>(tables.deflated));
    for (int c = 0; c < kChannels; ++c) {
        bool used = false;
        for (int p = 0; p < length && !used; ++p)
            used = song.orderTable[c][p] != 0;
        std::printf("Channel %d%s: ", c + 1, used ? "" : " (not played)");
        PrintChannel(song.channels[c], "  ");
    }
}

int Info(const std::string& path, bool json)
{
    if (IsInstrumentPath(path)) {
        COvkModuleChannel channel;
        OnFile(path, [&] { LoadInstrumentFile(WidePath(path).c_str(), channel); });
        if (json) {
            std::fputs(ChannelToJson(channel).c_str(), stdout);
        } else {
            std::printf("Instrument: %s\n", path.c_str());
            PrintChannel(channel, "");
        }
    } else {
        COvkModuleData song;
        OnFile(path, [&] { LoadSongFile(WidePath(path).c_str(), song); });
        if (EffectLinesOverBudget(song))
            std::fprintf(stderr, "tonvik3-cli: %s: %s\n", path.c_str(), kEffectLinesOverBudgetMessage);
        if (json) {
            const TSongTableSize tables = SongTableSize(song);
            std::fputs(SongToJson(song, &tables).c_str(), stdout);
        }
        else
            PrintSong(path, song);
    }
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

void AddInfoCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command = app.add_subcommand("info", "Describe a song or instrument: length, tempo, volumes, "
                                                   "the bytes of the song's replayer tables, oscillators and "
                                                   "effects of every channel");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    command->add_option("FILE", *path, "Song (.tonvik) or instrument (.tonviki) file")->required();
    command->add_flag("--json", *json, "Print every field as JSON instead");
    command->callback([&action, path, json] { action = [path, json] { return Info(*path, *json); }; });
}

} // namespace ovk::cli
