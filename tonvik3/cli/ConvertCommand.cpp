// tonvik3-cli convert IN OUT: any song or instrument file into the current version.
#include <CLI/CLI.hpp>

#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/files/SongFiles.h"

namespace ovk::cli {

namespace {

int Convert(const std::string& inPath, const std::string& outPath)
{
    if (IsInstrumentPath(inPath)) {
        // An instrument file without a channel record adds to the lists it is
        // loaded into: start from a fresh channel, not from anything left over.
        COvkModuleChannel channel;
        OnFile(inPath, [&] { LoadInstrumentFile(WidePath(inPath).c_str(), channel); });
        OnFile(outPath, [&] { SaveInstrumentFile(WidePath(outPath).c_str(), channel); });
    } else {
        COvkModuleData song;
        OnFile(inPath, [&] { LoadSongFile(WidePath(inPath).c_str(), song); });
        OnFile(outPath, [&] { SaveSongFile(WidePath(outPath).c_str(), song); });
    }
    return kExitSuccess;
}

} // namespace

void AddConvertCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command = app.add_subcommand(
        "convert", "Load a song or instrument (either file version) and save it in the current version");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("IN", *in, "Song (.tonvik) or instrument (.tonviki) file")->required();
    command->add_option("OUT", *out, "File to write; replaced only once it is complete")->required();
    command->footer("A file named .tonviki is read as an instrument, any other as a song.");
    command->callback([&action, in, out] { action = [in, out] { return Convert(*in, *out); }; });
}

} // namespace ovk::cli
