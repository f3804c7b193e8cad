// tonvik3-cli render SONG OUT.wav: the editor's WAV export without the editor.
#include <CLI/CLI.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "core/export/COvkWavExport.h"
#include "core/synth/EffectLines.h"

namespace ovk::cli {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) { g_interrupted = true; }

// "rendering out.wav [#####.....]  42%  1:05 left" on stderr, redrawn in
// place; only for a terminal.
class CProgressLine {
public:
    explicit CProgressLine(const std::string& out) : m_out(out), m_start(std::chrono::steady_clock::now()) {}

    void Show(std::uint32_t written, std::uint32_t total)
    {
        constexpr int kWidth = 30;
        const int percent = total == 0 ? 100 : static_cast<int>(std::uint64_t(written) * 100 / total);
        const int filled = percent * kWidth / 100;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::string left = "  -:-- left";
        if (written > 0 && written < total) {
            const auto seconds = static_cast<long long>(elapsed * (total - written) / written + 0.5);
            char text[32];
            std::snprintf(text, sizeof(text), "%3lld:%02lld left", seconds / 60, seconds % 60);
            left = text;
        } else if (written >= total) {
            left = "   done   ";
        }
        std::fprintf(stderr, "\rrendering %s [%s%s] %3d%% %s", m_out.c_str(), std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), percent, left.c_str());
        std::fflush(stderr);
        m_shown = true;
    }
    // Ends the line, if one was shown.
    void End()
    {
        if (m_shown)
            std::fputc('\n', stderr);
        m_shown = false;
    }

private:
    std::string m_out;
    std::chrono::steady_clock::time_point m_start;
    bool m_shown = false;
};

// Ctrl+C and SIGTERM cancel the export while this lives.
class CCancelSignals {
public:
    CCancelSignals()
    {
        g_interrupted = false;
        struct sigaction cancel {};
        cancel.sa_handler = OnInterrupt;
        sigemptyset(&cancel.sa_mask);
        sigaction(SIGINT, &cancel, &m_previousInterrupt);
        sigaction(SIGTERM, &cancel, &m_previousTerminate);
    }
    ~CCancelSignals()
    {
        sigaction(SIGINT, &m_previousInterrupt, nullptr);
        sigaction(SIGTERM, &m_previousTerminate, nullptr);
    }
    CCancelSignals(const CCancelSignals&) = delete;
    CCancelSignals& operator=(const CCancelSignals&) = delete;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

int Render(const std::string& songPath, const std::string& outPath, unsigned threads)
{
    const morvane::CRef<IOvkModule> module = LoadModule(songPath);
    const bool overBudget = EffectLinesOverBudget(*module->Lock(morvane::LOCK_MODE_READ));
    module->Unlock();
    if (overBudget)
        std::fprintf(stderr, "tonvik3-cli: %s: %s\n", songPath.c_str(), kEffectLinesOverBudgetMessage);

    // Ctrl+C (or SIGTERM) cancels the export as the editor's ESC does: what
    // was rendered replaces the file, as a valid, shorter WAV file. Any other
    // end but completion leaves the file that was there.
    TWavExportOptions options;
    options.cancel = &g_interrupted;
    options.threads = threads;
    CProgressLine line(outPath);
    if (isatty(STDERR_FILENO)) {
        options.progressInterval = std::chrono::milliseconds(250);
        options.progressBytes = [&line](std::uint32_t written, std::uint32_t total) { line.Show(written, total); };
    }
    TWavExportOutcome outcome;
    {
        CCancelSignals signals;
        outcome = ExportWav(module.Get(), WidePath(outPath).c_str(), options);
    }
    line.End();

    switch (outcome.result) {
    case TWavExportResult::Completed:
        return kExitSuccess;
    case TWavExportResult::Cancelled:
        throw CCliError(kExitFailure, outPath + ": export cancelled after " + std::to_string(outcome.sampleBytes) +
                                          " bytes of samples");
    default:
        throw CCliError(kExitFailure, outPath + ": " + morvane::utf::PathToBytes(outcome.error));
    }
}

} // namespace

void AddRenderCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command = app.add_subcommand(
        "render", "Render a song to a WAV file (16-bit mono, 44100 Hz), byte for byte as the editor exports it");
    auto song = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    auto threads = std::make_shared<unsigned>(0);
    command->add_option("SONG", *song, "Song file (.tonvik)")->required();
    command->add_option("OUT", *out, "WAV file to write")->required();
    command->add_option("--threads", *threads,
                        "Threads that render, the channels split between them (the bytes are the same for any "
                        "number); default: one per core")
        ->check(CLI::Range(1u, 64u));
    command->footer("Shows a progress line when stderr is a terminal. Ctrl+C or SIGTERM stops the export and keeps a "
                    "valid, shorter file; a failed export leaves the file that was there.");
    command->callback(
        [&action, song, out, threads] { action = [song, out, threads] { return Render(*song, *out, *threads); }; });
}

} // namespace ovk::cli
