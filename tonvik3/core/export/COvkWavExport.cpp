#include "core/export/COvkWavExport.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>
#include <vector>

#include "core/files/AtomicFile.h"
#include "core/module/CParallelRender.h"
#include "core/module/IOvkModule.h"
#include "morvane/api/CException.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/data/CVarWriter.h"
#include "morvane/data/IStream.h"

namespace ovk {

namespace {

// The export goes on in blocks of kBlockBytes: the cancel flag is polled
// before each, and a cancelled file holds the blocks before it. The song is
// rendered and the file written kWavExportWriteBytes at a time.
constexpr std::uint32_t kBlockBytes = 1024;
static_assert(kWavExportWriteBytes % kBlockBytes == 0);
constexpr std::uint32_t kHeaderBytes = 44;

void WriteTag(morvane::CVarWriter& writer, const char (&tag)[5])
{
    for (int i = 0; i < 4; ++i)
        writer << tag[i];
}

void WriteHeader(morvane::CVarWriter& writer, std::uint32_t sampleBytes)
{
    WriteTag(writer, "RIFF");
    writer << static_cast<int>(sampleBytes + 36);
    WriteTag(writer, "WAVE");
    WriteTag(writer, "fmt ");
    writer << 16;
    writer << static_cast<unsigned short>(1);  // PCM
    writer << static_cast<unsigned short>(1);  // channels
    writer << 44100u;
    writer << 88200u;  // bytes per second
    writer << static_cast<unsigned short>(2);  // block align
    writer << static_cast<unsigned short>(16); // bits per sample
    WriteTag(writer, "data");
    writer << static_cast<int>(sampleBytes);
}

// A file that stops early still says how many samples it holds, where the
// stream can go back to its header.
void PatchSizes(morvane::IOutputStream* stream, morvane::CVarWriter& writer, std::uint32_t sampleBytes)
{
    try {
        if (!(stream->GetCaps() & morvane::STREAM_CAN_SEEK))
            return;
        writer.Seek(4);
        writer << static_cast<int>(sampleBytes + 36);
        writer.Seek(40);
        writer << static_cast<int>(sampleBytes);
        writer.Seek(kHeaderBytes + static_cast<std::uint64_t>(sampleBytes));
    } catch (const morvane::CException&) {
        // The export has already ended; the sizes stay as written.
    }
}

// The rendering itself, on the calling thread.
TWavExportOutcome Render(IOvkModule* module, morvane::IOutputStream* stream, const TWavExportOptions& options)
{
    TWavExportOutcome outcome;
    try {
        if (!module || !stream)
            MRV_THROW(morvane::CNullPtrException, L"ovk::ExportWav", L"No song or no output stream");
        CParallelRender render(module, options.threads > 0 ? options.threads : CParallelRender::DefaultThreads());
        // Only the low 32 bits of the length count, in the header and for the loop.
        const auto length = static_cast<std::uint32_t>(render.GetLength());
        morvane::CVarWriter writer(stream);
        WriteHeader(writer, length);

        // Rendered ahead: ahead[0 ... aheadBytes-1], of which the blocks
        // taken so far, [0 ... aheadUsed-1], go to the file in one write
        // when the next render is due or the export ends.
        std::vector<std::uint8_t> ahead(kWavExportWriteBytes);
        std::uint64_t aheadBytes = 0;
        std::uint64_t aheadUsed = 0;
        std::uint32_t written = 0;  // the bytes of the blocks taken
        auto writeTaken = [&] {
            if (aheadUsed > 0)
                stream->Write(ahead.data(), aheadUsed);
            outcome.sampleBytes = written;
        };
        bool reported = false;
        auto lastReport = std::chrono::steady_clock::now();
        while (written < length) {
            if (options.cancel && options.cancel->load()) {
                writeTaken();
                PatchSizes(stream, writer, written);
                outcome.result = TWavExportResult::Cancelled;
                return outcome;
            }
            if (aheadUsed == aheadBytes) {
                writeTaken();
                aheadBytes = render.Read(ahead.data(), kWavExportWriteBytes);
                aheadUsed = 0;
            }
            const std::uint64_t delivered = std::min<std::uint64_t>(aheadBytes - aheadUsed, kBlockBytes);
            if (delivered == 0) {
                writeTaken();
                PatchSizes(stream, writer, written);
                outcome.error = L"The song ended before its length";
                return outcome;
            }
            const std::uint64_t take = std::min<std::uint64_t>(delivered, length - written);
            aheadUsed += take;
            written += static_cast<std::uint32_t>(take);
            const auto now = std::chrono::steady_clock::now();
            if ((options.progress || options.progressBytes) &&
                (!reported || now - lastReport >= options.progressInterval)) {
                // In 64 bits: written × 100 leaves 32 bits for songs longer than eight minutes.
                if (options.progress)
                    options.progress(static_cast<int>(std::uint64_t(written) * 100 / length));
                if (options.progressBytes)
                    options.progressBytes(written, length);
                reported = true;
                lastReport = now;
            }
        }
        writeTaken();
        if (options.progress)
            options.progress(100);
        if (options.progressBytes)
            options.progressBytes(length, length);
        outcome.result = TWavExportResult::Completed;
    } catch (const morvane::CException& e) {
        outcome.result = TWavExportResult::Failed;
        outcome.error = e.GetReason() ? e.GetReason() : L"";
    } catch (const std::exception&) {
        outcome.result = TWavExportResult::Failed;
        outcome.error = L"Out of memory";
    }
    return outcome;
}

} // namespace

TWavExportOutcome ExportWav(IOvkModule* module, morvane::IOutputStream* stream, const TWavExportOptions& options)
{
    // The noise generator belongs to the thread that renders and starts anew
    // on each thread: a thread of its own makes every export of a song the same,
    // whatever the calling thread rendered before.
    TWavExportOutcome outcome;
    std::thread worker([&] { outcome = Render(module, stream, options); });
    worker.join();
    return outcome;
}

TWavExportOutcome ExportWav(IOvkModule* module, const wchar_t* path, const TWavExportOptions& options)
{
    TWavExportOutcome outcome;
    try {
        // Rendered aside: the file that was there stays until the new one is
        // complete, or cancelled with what was rendered so far.
        CAtomicFile file(path);
        outcome = ExportWav(module, file.Stream(), options);
        if (outcome.result != TWavExportResult::Failed)
            file.Commit();
    } catch (const morvane::CException& e) {
        outcome.result = TWavExportResult::Failed;
        outcome.error = e.GetReason() ? e.GetReason() : L"";
    } catch (const std::exception&) {
        outcome.result = TWavExportResult::Failed;
        outcome.error = L"Out of memory";
    }
    return outcome;
}

} // namespace ovk
