// tonvik3-cli export-c SONG OUT.cpp: the song as C tables for the replayer.
#include <CLI/CLI.hpp>

#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/export/COvkCSourceExport.h"
#include "core/files/AtomicFile.h"
#include "core/files/SongFiles.h"

namespace ovk::cli {

namespace {

int ExportC(const std::string& songPath, const std::string& outPath)
{
    COvkModuleData song;
    OnFile(songPath, [&] { LoadSongFile(WidePath(songPath).c_str(), song); });
    const COvkCSourceExport exporter(song);
    OnFile(outPath, [&] {
        WriteFileAtomically(WidePath(outPath).c_str(), [&](morvane::IOutputStream* stream) { exporter.Write(stream); });
    });
    return kExitSuccess;
}

} // namespace

void AddExportCCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command =
        app.add_subcommand("export-c", "Export a song as C source tables for the replayer (OvkSongData.cpp)");
    auto song = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("SONG", *song, "Song file (.tonvik)")->required();
    command->add_option("OUT", *out, "C source file to write")->required();
    command->callback([&action, song, out] { action = [song, out] { return ExportC(*song, *out); }; });
}

} // namespace ovk::cli
