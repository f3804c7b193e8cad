#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace morvane {
class IOutputStream;
}

namespace ovk {

class IOvkModule;

// How a WAV export ended.
enum class TWavExportResult {
    Completed,
    Cancelled,  // the file holds what was rendered so far, with sizes to match
    Failed,
};

// The file is written this many bytes at a time (the last piece shorter).
constexpr std::uint32_t kWavExportWriteBytes = 512 * 1024;

struct TWavExportOutcome {
    TWavExportResult result = TWavExportResult::Failed;
    std::uint32_t sampleBytes = 0;  // bytes of samples written after the header
    std::wstring error;             // why it failed
};

struct TWavExportOptions {
    // {cancel, progress} as before; the other members are set by name.
    TWavExportOptions(const std::atomic<bool>* cancelFlag = nullptr, std::function<void(int percent)> onProgress = {})
        : cancel(cancelFlag), progress(std::move(onProgress))
    {
    }

    // Polled before every block; setting it stops the export.
    const std::atomic<bool>* cancel = nullptr;
    // Told the percentage done after the first block, then at most once per
    // progressInterval while rendering, and 100 when the export completes.
    // Called on the export's own rendering thread.
    std::function<void(int percent)> progress;
    // At the same moments: the sample bytes written so far and in all.
    std::function<void(std::uint32_t written, std::uint32_t total)> progressBytes;
    std::chrono::milliseconds progressInterval{1000};
    // The threads that render the song, the export's own included (its
    // channels split between them; the bytes are the same for any number);
    // 0: one per core.
    unsigned threads = 0;
};

// Renders a song from start to end through fresh module players into a
// 16-bit mono 44100 Hz WAV file: the 44-byte RIFF header, then the player's
// bytes. The export goes on in blocks of 1024 bytes, rendered and written
// kWavExportWriteBytes at a time. The module is read under its own lock by
// the players, so playback may go on meanwhile. Exceptions of the stream or
// the players end the export with a Failed outcome, never escape.
//
// The song is rendered on a new thread, which starts the noise generator
// afresh (with helper threads that continue from it: CParallelRender), and
// the call returns when it is done. A progress dialog runs this
// on a worker thread of its own and stops it with the cancel flag.
TWavExportOutcome ExportWav(IOvkModule* module, morvane::IOutputStream* stream, const TWavExportOptions& options = {});
// The same into a file. The song is rendered into a temporary file beside
// the target (CAtomicFile), which replaces the target when the export
// completes or is cancelled (the partial file, with sizes to match); when it
// fails (the disk full, the player dry, out of memory, the target not
// writable) the target stays as it was, no temporary file is left, and the
// outcome's error says why, with the system's reason where there is one.
// A process killed meanwhile leaves the target as it was too.
TWavExportOutcome ExportWav(IOvkModule* module, const wchar_t* path, const TWavExportOptions& options = {});

} // namespace ovk
