// tonvik3-cli export-c SONG OUT.cpp [--defines OUT.h]: the song as C tables
// for the replayer, and what the replayer will play differently.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/export/COvkCSourceExport.h"
#include "core/export/ReplayerLimits.h"
#include "core/files/AtomicFile.h"
#include "core/files/SongFiles.h"

namespace ovk::cli {

namespace {

int ExportC(const std::string& songPath, const std::string& outPath, const std::string& definesPath)
{
    COvkModuleData song;
    OnFile(songPath, [&] { LoadSongFile(WidePath(songPath).c_str(), song); });
    const COvkCSourceExport exporter(song);
    OnFile(outPath, [&] {
        WriteFileAtomically(WidePath(outPath).c_str(), [&](morvane::IOutputStream* stream) { exporter.Write(stream); });
    });
    if (!definesPath.empty()) {
        OnFile(definesPath, [&] {
            WriteFileAtomically(WidePath(definesPath).c_str(),
                                [&](morvane::IOutputStream* stream) { exporter.WriteDefinesFile(stream); });
        });
    }
    std::fputs(ReplayerReport(ReplayerDepartures(song)).c_str(), stderr);
    return kExitSuccess;
}

} // namespace

void AddExportCCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command = app.add_subcommand(
        "export-c", "Export a song as C source tables for the replayer (OvkSongData.cpp); what the replayer will "
                    "play differently from the editor goes to standard error");
    auto song = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    auto defines = std::make_shared<std::string>();
    command->add_option("SONG", *song, "Song file (.tonvik)")->required();
    command->add_option("OUT", *out, "C source file to write")->required();
    command->add_option("--defines", *defines, "Also write the defines file (OvkSongDataDefines.h) here");
    command->callback([&action, song, out, defines] {
        action = [song, out, defines] { return ExportC(*song, *out, *defines); };
    });
}

} // namespace ovk::cli
