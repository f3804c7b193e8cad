#include "core/export/COvkWavExport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
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

// Writes the pieces of the file on a thread of its own, one at a time and in
// the order they are handed over, so that the next piece renders meanwhile.
// A failed write's exception reaches the renderer when it next waits.
class CBackgroundWriter {
public:
    explicit CBackgroundWriter(morvane::IOutputStream* stream) : m_stream(stream), m_thread([this] { Run(); }) {}
    ~CBackgroundWriter()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    CBackgroundWriter(const CBackgroundWriter&) = delete;
    CBackgroundWriter& operator=(const CBackgroundWriter&) = delete;

    // Waits until the piece handed over last is written; returns the bytes
    // written so far, or throws what a write threw.
    std::uint64_t Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_piece == nullptr; });
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        return m_written;
    }
    // Waits as Wait does, then has bytes [0, count) of piece written; the
    // piece stays untouched until the next Wait returns.
    void Write(const std::uint8_t* piece, std::uint64_t count)
    {
        Wait();
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_piece = piece;
            m_count = count;
        }
        m_changed.notify_all();
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stop || m_piece != nullptr; });
            if (m_piece == nullptr)
                return;
            lock.unlock();
            std::exception_ptr error;
            try {
                m_stream->Write(m_piece, m_count);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error)
                m_error = error;
            else
                m_written += m_count;
            m_piece = nullptr;
            m_changed.notify_all();
        }
    }

    morvane::IOutputStream* const m_stream;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::uint8_t* m_piece = nullptr;  // being written, or to be
    std::uint64_t m_count = 0;
    std::uint64_t m_written = 0;
    std::exception_ptr m_error;
    bool m_stop = false;
    std::thread m_thread;  // last: it starts when everything it uses is made
};

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
        // when the next render is due or the export ends. The write goes on
        // in the background while the next piece renders into the other buffer.
        std::vector<std::uint8_t> pieces[2] = {std::vector<std::uint8_t>(kWavExportWriteBytes),
                                               std::vector<std::uint8_t>(kWavExportWriteBytes)};
        std::uint8_t* ahead = pieces[0].data();
        std::uint64_t aheadBytes = 0;
        std::uint64_t aheadUsed = 0;
        std::uint32_t written = 0;  // the bytes of the blocks taken
        CBackgroundWriter background(stream);
        // Hands the blocks taken to the writer (after the write before is done).
        auto writeTaken = [&] {
            outcome.sampleBytes = static_cast<std::uint32_t>(background.Wait());
            if (aheadUsed > 0) {
                background.Write(ahead, aheadUsed);
                ahead = ahead == pieces[0].data() ? pieces[1].data() : pieces[0].data();
                aheadBytes = aheadUsed = 0;
            }
        };
        // Everything taken is in the file.
        auto writeAll = [&] {
            writeTaken();
            outcome.sampleBytes = static_cast<std::uint32_t>(background.Wait());
        };
        bool reported = false;
        auto lastReport = std::chrono::steady_clock::now();
        while (written < length) {
            if (options.cancel && options.cancel->load()) {
                writeAll();
                PatchSizes(stream, writer, written);
                outcome.result = TWavExportResult::Cancelled;
                return outcome;
            }
            if (aheadUsed == aheadBytes) {
                writeTaken();
                aheadBytes = render.Read(ahead, kWavExportWriteBytes);
                aheadUsed = 0;
            }
            const std::uint64_t delivered = std::min<std::uint64_t>(aheadBytes - aheadUsed, kBlockBytes);
            if (delivered == 0) {
                writeAll();
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
        writeAll();
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
