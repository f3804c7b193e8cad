// tonvik3-cli render SONG OUT.wav: the editor's WAV export without the editor.
#include <CLI/CLI.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/export/COvkWavExport.h"

namespace ovk::cli {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) { g_interrupted = true; }

// A bar on stderr, redrawn in place; only for a terminal.
void ShowProgress(const std::string& out, int percent)
{
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\rrendering %s [%s%s] %3d%%", out.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), percent);
    if (percent >= 100)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

int Render(const std::string& songPath, const std::string& outPath)
{
    const morvane::CRef<IOvkModule> module = LoadModule(songPath);

    // Ctrl+C cancels the export as the editor's ESC does: what was rendered stays, as a valid file.
    struct sigaction interrupt {}, previous {};
    interrupt.sa_handler = OnInterrupt;
    sigemptyset(&interrupt.sa_mask);
    sigaction(SIGINT, &interrupt, &previous);
    TWavExportOptions options;
    options.cancel = &g_interrupted;
    if (isatty(STDERR_FILENO))
        options.progress = [&outPath](int percent) { ShowProgress(outPath, percent); };
    const TWavExportOutcome outcome = ExportWav(module.Get(), WidePath(outPath).c_str(), options);
    sigaction(SIGINT, &previous, nullptr);

    switch (outcome.result) {
    case TWavExportResult::Completed:
        return kExitSuccess;
    case TWavExportResult::Cancelled:
        if (isatty(STDERR_FILENO))
            std::fputc('\n', stderr);
        throw CCliError(kExitFailure, outPath + ": export cancelled after " + std::to_string(outcome.sampleBytes) +
                                          " bytes of samples");
    default:
        throw CCliError(kExitFailure, outPath + ": " + morvane::utf::ToUtf8(outcome.error));
    }
}

} // namespace

void AddRenderCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command = app.add_subcommand(
        "render", "Render a song to a WAV file (16-bit mono, 44100 Hz), byte for byte as the editor exports it");
    auto song = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("SONG", *song, "Song file (.tonvik)")->required();
    command->add_option("OUT", *out, "WAV file to write")->required();
    command->footer("Shows a progress bar when stderr is a terminal; Ctrl+C stops the export and keeps a valid, "
                    "shorter file.");
    command->callback([&action, song, out] { action = [song, out] { return Render(*song, *out); }; });
}

} // namespace ovk::cli
