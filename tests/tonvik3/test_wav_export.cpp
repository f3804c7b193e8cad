// The WAV export: reference renders, header sizes, cancelling and failures.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "SongFileTestSupport.h"
#include "core/export/COvkWavExport.h"
#include "core/module/CoreClasses.h"
#include "core/module/IOvkModule.h"
#include "morvane/api/CException.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"
#include "morvane/data/COutputStream.h"

using namespace tonvik_test;
using morvane::CRef;
using ovk::TWavExportResult;

namespace {

class WavExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ovk::RegisterCoreClasses(); }

    void LoadGolden(const std::string& name)
    {
        ovk::COvkModuleData song;
        LoadSong(song, GoldenBytes(name));
        m_module = SongModule(song);
    }

    // Exports into memory; the outcome and the bytes.
    TBytes Export(ovk::TWavExportOutcome& outcome, const ovk::TWavExportOptions& options = {})
    {
        return WriteToMemory(
            [&](morvane::IOutputStream* stream) { outcome = ovk::ExportWav(m_module.Get(), stream, options); });
    }

    static std::uint32_t Field(const TBytes& bytes, std::size_t at)
    {
        return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
                                          static_cast<std::uint32_t>(bytes.at(at + 3)) << 24);
    }

    CRef<ovk::IOvkModule> m_module;
};

class GoldenWavExport : public WavExport, public ::testing::WithParamInterface<std::string> {};

TEST_P(GoldenWavExport, ExportIsByteIdentical)
{
    LoadGolden(GetParam() + ".tonvik");
    std::vector<int> progress;
    ovk::TWavExportOutcome outcome;
    const TBytes wav = Export(outcome, {nullptr, [&](int percent) { progress.push_back(percent); }});
    ASSERT_EQ(outcome.result, TWavExportResult::Completed);
    EXPECT_EQ(FirstDifference(wav, GoldenBytes(GetParam() + ".wav")), -1);
    EXPECT_EQ(outcome.sampleBytes, wav.size() - 44);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenWavExport,
                         ::testing::Values("empty", "one_sine", "waves", "effects", "arrangement", "v2_basic"));

TEST_F(WavExport, CancelStopsBeforeTheNextBlockAndLeavesAValidFile)
{
    LoadGolden("one_sine.tonvik");
    std::atomic<bool> cancel{false};
    std::vector<int> progress;
    ovk::TWavExportOutcome outcome;
    // The first progress report comes after the first block.
    const TBytes wav = Export(outcome, {&cancel, [&](int percent) {
                                            progress.push_back(percent);
                                            cancel = true;
                                        }});
    EXPECT_EQ(outcome.result, TWavExportResult::Cancelled);
    EXPECT_EQ(outcome.sampleBytes, 1024u);
    ASSERT_EQ(wav.size(), 44u + 1024u);
    EXPECT_EQ(Field(wav, 4), 36u + 1024u);
    EXPECT_EQ(Field(wav, 40), 1024u);
    EXPECT_EQ(progress, std::vector<int>{0});
    const TBytes reference = GoldenBytes("one_sine.wav");
    EXPECT_TRUE(std::equal(wav.begin() + 44, wav.end(), reference.begin() + 44));
}

// An output stream that fails after a number of bytes, as a full disk would.
class CFailingStream : public morvane::COutputStreamImpl<morvane::IOutputStream> {
public:
    explicit CFailingStream(std::uint64_t room) : COutputStreamImpl(morvane::CId{1, 2, 3, 4}), m_room(room) {}
    std::uint64_t Write(const void*, std::uint64_t count) override
    {
        if (count > m_room)
            MRV_THROW(morvane::CIOException, L"test::CFailingStream::Write", L"fwrite failed");
        m_room -= count;
        return count;
    }

private:
    std::uint64_t m_room;
};

TEST_F(WavExport, StreamErrorEndsTheExportWithItsReason)
{
    // Room for the header, the first piece of the file and a little more.
    LoadGolden("arrangement.tonvik");
    auto stream = CRef<CFailingStream>::Adopt(new CFailingStream(44 + ovk::kWavExportWriteBytes + 3000));
    const ovk::TWavExportOutcome outcome = ovk::ExportWav(m_module.Get(), stream.Get());
    EXPECT_EQ(outcome.result, TWavExportResult::Failed);
    EXPECT_EQ(outcome.error, L"fwrite failed");
    EXPECT_EQ(outcome.sampleBytes, ovk::kWavExportWriteBytes);
}

TEST_F(WavExport, FileExportWritesTheFileOrSaysWhyNot)
{
    LoadGolden("one_sine.tonvik");
    const CTempFolder folder;
    const std::string path = folder.Path("one_sine.wav");
    const ovk::TWavExportOutcome done = ovk::ExportWav(m_module.Get(), morvane::utf::FromUtf8(path).c_str());
    EXPECT_EQ(done.result, TWavExportResult::Completed);
    EXPECT_EQ(ReadFileBytes(path), GoldenBytes("one_sine.wav"));

    const ovk::TWavExportOutcome failed = ovk::ExportWav(m_module.Get(), L"/no/such/folder/x.wav");
    EXPECT_EQ(failed.result, TWavExportResult::Failed);
    EXPECT_EQ(failed.error, L"Cannot open '/no/such/folder/x.wav' for writing: No such file or directory");
}

// Files of this process cannot grow past a size while it lives, as on a full disk.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_signal = signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        signal(SIGXFSZ, m_signal);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    sighandler_t m_signal;
};

TEST_F(WavExport, FileExportReplacesTheFileOnlyWhenItCompletesOrIsCancelled)
{
    LoadGolden("one_sine.tonvik");
    const CTempFolder folder;
    const std::string path = folder.Path("out.wav");
    const std::wstring wide = folder.Wide(L"out.wav");
    const TBytes previous = GoldenBytes("waves.wav");
    auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(folder.Get()), std::filesystem::directory_iterator());
    };

    // The disk fills up: the old file stays, nothing else is left, and the system says why.
    WriteFileBytes(path, previous);
    {
        const CFileSizeLimit limit(100000);
        const ovk::TWavExportOutcome full = ovk::ExportWav(m_module.Get(), wide.c_str());
        EXPECT_EQ(full.result, TWavExportResult::Failed);
        EXPECT_EQ(full.error, L"fwrite failed: File too large");
    }
    EXPECT_EQ(ReadFileBytes(path), previous);
    EXPECT_EQ(entries(), 1);

    // A folder where the file should be is refused before anything is rendered.
    const ovk::TWavExportOutcome folderTarget = ovk::ExportWav(m_module.Get(), folder.Wide(L"").c_str());
    EXPECT_EQ(folderTarget.result, TWavExportResult::Failed);
    EXPECT_EQ(folderTarget.error, L"Cannot open '" + folder.Wide(L"") + L"' for writing: Is a directory");

    // Cancelled: what was rendered replaces the old file, sizes patched.
    std::atomic<bool> cancel{true};
    const ovk::TWavExportOutcome cancelled = ovk::ExportWav(m_module.Get(), wide.c_str(), {&cancel});
    EXPECT_EQ(cancelled.result, TWavExportResult::Cancelled);
    const TBytes partial = ReadFileBytes(path);
    ASSERT_EQ(partial.size(), 44u);
    EXPECT_EQ(Field(partial, 4), 36u);
    EXPECT_EQ(Field(partial, 40), 0u);
    EXPECT_EQ(entries(), 1);
}

} // namespace
