// tonvik3-cli as a user runs it: exit statuses, messages and the files it writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "SongFileTestSupport.h"
#include "core/export/SongTableSize.h"
#include "core/synth/EffectLines.h"
#include "support/ProgramRun.h"
#include "support/TestSupport.h"

using namespace tonvik_test;

namespace {

// Runs tonvik3-cli; unprivileged: as "nobody" when the test runs as root.
TProgramRun RunCli(const std::vector<std::string>& arguments, bool unprivileged = false)
{
    TProgramOptions options;
    options.unprivileged = unprivileged;
    return RunProgram(BinPath("tonvik3-cli"), arguments, options);
}

TProgramRun RunCli(const std::vector<std::string>& arguments, const TProgramOptions& options)
{
    return RunProgram(BinPath("tonvik3-cli"), arguments, options);
}

std::string Golden(const std::string& name) { return DataPath("golden/" + name); }

class Cli : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CTempFolder m_folder;
};

TEST_F(Cli, HelpListsTheSubcommandsAndExitsZero)
{
    const TProgramRun run = RunCli({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* command : {"render", "export-c", "convert", "info"})
        EXPECT_NE(run.out.find(command), std::string::npos) << command;
    EXPECT_EQ(RunCli({}).status, 1);
    EXPECT_EQ(RunCli({"render", Golden("empty.tonvik")}).status, 1);
}

// An empty entry of a library search path is the current folder: a program
// run there would take a library planted there before the system's.
TEST_F(Cli, TheShippedProgramsSearchNoLibraryInTheCurrentFolder)
{
    const TProgramRun where = RunProgram("/bin/sh", {"-c", "command -v readelf"});
    if (where.status != 0)
        GTEST_SKIP() << "no readelf on this machine";
    const std::string readelf = where.out.substr(0, where.out.find('\n'));
    for (const char* file : {"tonvik3-cli", "tonvik3", "libmorvane.so", "plugins/mrvx_std_dxa8.so"}) {
        if (!std::filesystem::exists(BinPath(file)))
            continue;
        const TProgramRun run = RunProgram(readelf, {"-d", BinPath(file)});
        ASSERT_EQ(run.status, 0) << file << ": " << run.err;
        for (const char* tag : {"Library runpath: [", "Library rpath: ["}) {
            const std::size_t at = run.out.find(tag);
            if (at == std::string::npos)
                continue;
            const std::size_t begin = at + std::string(tag).size();
            const std::string path = run.out.substr(begin, run.out.find(']', begin) - begin);
            EXPECT_TRUE(path.empty() || (path.front() != ':' && path.back() != ':' && path.find("::") == std::string::npos))
                << file << " searches " << path;
        }
    }
}

TEST_F(Cli, RenderWritesTheSameFileAsTheEditorsExport)
{
    const TProgramRun run = RunCli({"render", Golden("waves.tonvik"), Path("waves.wav")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no progress bar when stderr is not a terminal
    EXPECT_EQ(ReadFileBytes(Path("waves.wav")), GoldenBytes("waves.wav"));
    // On one thread or several: the same bytes; no thread at all is refused.
    for (const char* threads : {"1", "3"}) {
        EXPECT_EQ(RunCli({"render", "--threads", threads, Golden("effects.tonvik"), Path("effects.wav")}).status, 0);
        EXPECT_EQ(ReadFileBytes(Path("effects.wav")), GoldenBytes("effects.wav")) << threads << " threads";
    }
    EXPECT_EQ(RunCli({"render", "--threads", "0", Golden("effects.tonvik"), Path("effects.wav")}).status, 1);
}

TEST_F(Cli, ExportCAndConvertWriteTheReferenceBytes)
{
    const TProgramRun exported = RunCli({"export-c", Golden("arrangement.tonvik"), Path("OvkSongData.cpp")});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(ReadFileBytes(Path("OvkSongData.cpp")), GoldenBytes("arrangement.cpp"));
    // What the replayer plays differently, on standard error.
    EXPECT_EQ(exported.err, "channel 1: note values above 192 cannot be written\n"
                            "channel 1: note value 1 (C-0) is written as an empty row and not played\n"
                            "channel 3: 1 oscillator detuned by less than a semitone, played up to 2.4 cents lower\n"
                            "channel 4: 2 oscillators detuned by less than a semitone, played up to 1.0 cents lower\n"
                            "channel 7: 1 oscillator detuned by less than a semitone, played up to 2.0 cents lower\n");
    EXPECT_EQ(RunCli({"convert", Golden("v2_basic.tonvik"), Path("v3.tonvik")}).status, 0);
    EXPECT_EQ(ReadFileBytes(Path("v3.tonvik")), GoldenBytes("v2_basic.v3.tonvik"));
    EXPECT_EQ(RunCli({"convert", Golden("instr_rich.tonviki"), Path("rich.tonviki")}).status, 0);
    EXPECT_EQ(ReadFileBytes(Path("rich.tonviki")), GoldenBytes("instr_rich.v3.tonviki"));
}

TEST_F(Cli, ExportCWritesTheDefinesFileItsFirstLinesAreFor)
{
    const TProgramRun run = RunCli({"export-c", Golden("effects.tonvik"), Path("OvkSongData.cpp"), "--defines",
                                    Path("OvkSongDataDefines.h")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "The replayer plays this song exactly as the editor does.\n");
    const TBytes source = ReadFileBytes(Path("OvkSongData.cpp"));
    EXPECT_EQ(source, GoldenBytes("effects.cpp"));
    // The lines from #ifndef to #endif, as they are in the tables' text.
    const std::string text(source.begin(), source.end());
    const std::size_t first = text.find("#ifndef OVKSONGDATADEFINES_H\r\n");
    const std::size_t end = text.find("#endif\r\n") + 8;
    ASSERT_NE(first, std::string::npos);
    const TBytes defines = ReadFileBytes(Path("OvkSongDataDefines.h"));
    EXPECT_EQ(std::string(defines.begin(), defines.end()), text.substr(first, end - first));

    const TProgramRun noFolder = RunCli(
        {"export-c", Golden("effects.tonvik"), Path("again.cpp"), "--defines", Path("missing/OvkSongDataDefines.h")});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(noFolder.err.rfind("tonvik3-cli: " + Path("missing/OvkSongDataDefines.h") + ": ", 0), 0u)
        << noFolder.err;
}

TEST_F(Cli, InfoSummarisesAndPrintsEveryFieldAsJson)
{
    const TProgramRun summary = RunCli({"info", Golden("v2_basic.tonvik")});
    EXPECT_EQ(summary.status, 0);
    for (const char* line : {"Length: 2 positions, 0:03.84 (3.84 s)\n", "Tempo: 125 BPM (5292 samples per row)\n",
                             "Master volume: 153\n", "Channel 2: volume 204, 3 oscillator pairs, 0 effects\n",
                             "    pair 2: noise vol 191 +25c\n", "Channel 8 (not played): volume 100"})
        EXPECT_NE(summary.out.find(line), std::string::npos) << line << summary.out;

    // 1 position at a damaged tempo of 1 lasts 239.9996 s: shown as whole minutes.
    ovk::COvkModuleData slow;
    LoadSong(slow, GoldenBytes("one_sine.tonvik"));
    slow.tempo = 1;
    WriteFileBytes(Path("slow.tonvik"), SaveSong(slow));
    const TProgramRun minutes = RunCli({"info", Path("slow.tonvik")});
    EXPECT_NE(minutes.out.find("Length: 1 position, 4:00.00 (240.00 s)\n"), std::string::npos) << minutes.out;

    // Every field as loaded, and the size of the song's C tables with the rest of what is derived.
    ovk::COvkModuleData v2;
    LoadSong(v2, GoldenBytes("v2_basic.tonvik"));
    const ovk::TSongTableSize tables = ovk::SongTableSize(v2);
    const std::string tablesLine = "Replayer tables: " + std::to_string(tables.bytes) + " bytes, " +
                                   std::to_string(tables.deflated) + " deflated\n";
    EXPECT_NE(summary.out.find(tablesLine), std::string::npos) << summary.out;
    const TProgramRun json = RunCli({"info", "--json", Golden("v2_basic.tonvik")});
    EXPECT_EQ(json.status, 0);
    const TBytes golden = GoldenBytes("v2_basic.json");
    std::string expected(golden.begin(), golden.end());
    const std::string rowLength = "\"rowLength\": 5292\n";
    ASSERT_NE(expected.find(rowLength), std::string::npos);
    expected.replace(expected.find(rowLength), rowLength.size(),
                     "\"rowLength\": 5292,\n    \"tableBytes\": " + std::to_string(tables.bytes) +
                         ",\n    \"tableBytesDeflated\": " + std::to_string(tables.deflated) + "\n");
    EXPECT_EQ(json.out, expected);
    const TProgramRun instrument = RunCli({"info", Golden("instr_rich.tonviki"), "--json"});
    const TBytes expectedInstrument = GoldenBytes("instr_rich.json");
    EXPECT_EQ(instrument.out, std::string(expectedInstrument.begin(), expectedInstrument.end()));
}

TEST_F(Cli, InvalidFilesExitTwoWithTheReason)
{
    const TProgramRun notSong = RunCli({"info", Golden("v2_basic.json")});
    EXPECT_EQ(notSong.status, 2);
    EXPECT_EQ(notSong.err, "tonvik3-cli: " + Golden("v2_basic.json") + ": Invalid file format\n");

    TBytes cut = GoldenBytes("one_sine.tonvik");
    cut.resize(cut.size() - 100);
    WriteFileBytes(Path("cut.tonvik"), cut);
    const TProgramRun damaged = RunCli({"render", Path("cut.tonvik"), Path("cut.wav")});
    EXPECT_EQ(damaged.status, 2);
    EXPECT_EQ(damaged.err, "tonvik3-cli: " + Path("cut.tonvik") + ": Invalid data format\n");
    EXPECT_FALSE(std::filesystem::exists(Path("cut.wav")));

    const TProgramRun songAsInstrument = RunCli({"convert", Golden("one_sine.tonvik"), Path("x.tonviki")});
    EXPECT_EQ(songAsInstrument.status, 0);  // read as a song: its name decides
    const TProgramRun instrumentAsSong = RunCli({"export-c", Golden("instr_rich.tonviki"), Path("x.cpp")});
    EXPECT_EQ(instrumentAsSong.status, 2);
}

TEST_F(Cli, OtherFailuresExitOneNamingTheFile)
{
    const TProgramRun missing = RunCli({"info", Path("missing.tonvik")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "tonvik3-cli: " + Path("missing.tonvik") + ": Cannot open '" + Path("missing.tonvik") +
                               "' for reading: No such file or directory\n");
    const TProgramRun folder = RunCli({"render", m_folder.Get(), Path("x.wav")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "tonvik3-cli: " + m_folder.Get() + ": Cannot open '" + m_folder.Get() +
                              "' for reading: Is a directory\n");

    const std::string out = Path("no/folder/song.tonvik");
    const TProgramRun unwritable = RunCli({"convert", Golden("one_sine.tonvik"), out});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err.rfind("tonvik3-cli: " + out + ": ", 0), 0u) << unwritable.err;

    const TProgramRun render = RunCli({"render", Golden("one_sine.tonvik"), Path("no/folder/x.wav")});
    EXPECT_EQ(render.status, 1);
    EXPECT_EQ(render.err, "tonvik3-cli: " + Path("no/folder/x.wav") + ": Cannot open '" + Path("no/folder/x.wav") +
                              "' for writing: No such file or directory\n");
}

TEST_F(Cli, ReadOnlyFileIsRefusedAndKept)
{
    ASSERT_EQ(chmod(m_folder.Get().c_str(), 0777), 0);
    const std::string out = Path("locked.tonvik");
    WriteFileBytes(out, GoldenBytes("empty.tonvik"));
    ASSERT_EQ(chmod(out.c_str(), 0444), 0);
    const TProgramRun run = RunCli({"convert", Golden("one_sine.tonvik"), out}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tonvik3-cli: " + out + ": Cannot open '" + out + "' for writing: Permission denied\n");
    EXPECT_EQ(ReadFileBytes(out), GoldenBytes("empty.tonvik"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Get()), std::filesystem::directory_iterator()), 1);
}

TEST_F(Cli, ANameThatIsNotUtf8IsUsedAsGiven)
{
    const std::string song = Path("caf\xE9.tonvik");
    WriteFileBytes(song, GoldenBytes("one_sine.tonvik"));
    const TProgramRun info = RunCli({"info", song});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Length: 1 position"), std::string::npos) << info.out;

    const std::string out = Path("out\xE9.wav");
    const TProgramRun render = RunCli({"render", song, out});
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_EQ(ReadFileBytes(out), GoldenBytes("one_sine.wav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Get()), std::filesystem::directory_iterator()), 2);

    // The message names the file in the bytes it was given in.
    const std::string missing = Path("gone\xFF.tonvik");
    const TProgramRun gone = RunCli({"convert", missing, Path("x.tonvik")});
    EXPECT_EQ(gone.err, "tonvik3-cli: " + missing + ": Cannot open '" + missing +
                            "' for reading: No such file or directory\n");
}

TEST_F(Cli, ASongAskingForTooMuchMemoryPlaysWithinTheBudgetAndSaysSo)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    // 64 delays of 64 MB in every channel ask for 32 GB; the program may have 1.5 GB.
    ovk::COvkModuleData song;
    LoadSong(song, GoldenBytes("one_sine.tonvik"));
    ovk::TOvkEffect huge;
    huge.p1 = 290000;
    for (ovk::COvkModuleChannel& channel : song.channels)
        channel.effects.assign(64, huge);
    WriteFileBytes(Path("greedy.tonvik"), SaveSong(song));
    TProgramOptions options;
    options.memoryLimit = 1536ull << 20;
    const std::string notice = std::string("tonvik3-cli: ") + Path("greedy.tonvik") + ": " +
                               ovk::kEffectLinesOverBudgetMessage + "\n";

    const TProgramRun info = RunCli({"info", Path("greedy.tonvik")}, options);
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.err, notice);
    const TProgramRun render = RunCli({"render", Path("greedy.tonvik"), Path("greedy.wav")}, options);
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.err, notice);
    // The first lines that fit echo one_sine's tone far beyond its end: the
    // song itself sounds as before.
    EXPECT_EQ(ReadFileBytes(Path("greedy.wav")), GoldenBytes("one_sine.wav"));
}

TEST_F(Cli, APipeIsWrittenAsItIsNotReplaced)
{
    const std::string pipe = Path("out.pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Whatever comes through the pipe while the program runs.
    const int fd = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    std::atomic<bool> done{false};
    TBytes received;
    std::thread reader([&] {
        for (;;) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 50);
            std::uint8_t buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof(buffer));
            if (n > 0)
                received.insert(received.end(), buffer, buffer + n);
            else if (done)
                break;
        }
    });
    const TProgramRun run = RunCli({"render", Golden("one_sine.tonvik"), pipe});
    done = true;
    reader.join();
    close(fd);
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    // A pipe cannot go back to patch the header: the sizes are those of the whole song.
    EXPECT_EQ(received, GoldenBytes("one_sine.wav"));
}

// ---- a render that does not complete leaves the file that was there

class CliRenderEnd : public Cli {
protected:
    void SetUp() override
    {
        // Every position of the order table played at the slowest tempo a
        // damaged file can hold: hours of audio, so that the render is
        // still running when it is stopped.
        ovk::COvkModuleData song;
        LoadSong(song, GoldenBytes("one_sine.tonvik"));
        song.tempo = 1;
        for (int c = 0; c < ovk::kChannels; ++c)
            for (int p = 0; p < ovk::kOrderPositions; ++p)
                song.orderTable[c][p] = song.orderTable[c][0];
        WriteFileBytes(Path("long.tonvik"), SaveSong(song));
        WriteFileBytes(Path("out.wav"), m_previous);
    }

    std::size_t Entries() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_folder.Get()),
                                                      std::filesystem::directory_iterator()));
    }

    static std::uint32_t Field(const TBytes& bytes, std::size_t at)
    {
        return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
                                          static_cast<std::uint32_t>(bytes.at(at + 3)) << 24);
    }

    const TBytes m_previous = GoldenBytes("waves.wav");
};

TEST_F(CliRenderEnd, KilledLeavesThePreviousFileAndNoTemporary)
{
    TProgramOptions options;
    options.interruptAfter = std::chrono::milliseconds(400);
    options.interruptSignal = SIGKILL;
    const TProgramRun run = RunCli({"render", Path("long.tonvik"), Path("out.wav")}, options);
    EXPECT_TRUE(run.stillRunningAtInterrupt);
    EXPECT_EQ(ReadFileBytes(Path("out.wav")), m_previous);
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(CliRenderEnd, SigtermCancelsLikeCtrlCAndKeepsAValidShorterFile)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        TProgramOptions options;
        options.interruptAfter = std::chrono::milliseconds(400);
        options.interruptSignal = signal;
        const TProgramRun run = RunCli({"render", Path("long.tonvik"), Path("out.wav")}, options);
        EXPECT_TRUE(run.stillRunningAtInterrupt);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("export cancelled after"), std::string::npos) << run.err;
        const TBytes wav = ReadFileBytes(Path("out.wav"));
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(Field(wav, 40), wav.size() - 44);
        EXPECT_EQ(Field(wav, 4), wav.size() - 8);
        EXPECT_EQ(Entries(), 2u);
        WriteFileBytes(Path("out.wav"), m_previous);
    }
}

TEST_F(CliRenderEnd, OnATerminalALongRenderShowsItsProgressAndTheTimeLeft)
{
    TProgramOptions options;
    options.stderrTerminal = true;
    options.interruptAfter = std::chrono::milliseconds(1500);
    const TProgramRun run = RunCli({"render", Path("long.tonvik"), Path("out.wav")}, options);
    EXPECT_TRUE(run.stillRunningAtInterrupt);
    // Redrawn in place a few times a second, each time with the time left.
    const auto redraws = std::count(run.err.begin(), run.err.end(), '\r');
    EXPECT_GE(redraws, 4) << run.err;
    EXPECT_LE(redraws, 12) << run.err;
    EXPECT_NE(run.err.find("rendering " + Path("out.wav") + " ["), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" left"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("export cancelled after"), std::string::npos) << run.err;
}

TEST_F(CliRenderEnd, AFullDiskLeavesThePreviousFileAndSaysWhy)
{
    TProgramOptions options;
    options.fileSizeLimit = 200000;
    const TProgramRun run = RunCli({"render", Path("long.tonvik"), Path("out.wav")}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tonvik3-cli: " + Path("out.wav") + ": fwrite failed: File too large\n");
    EXPECT_EQ(ReadFileBytes(Path("out.wav")), m_previous);
    EXPECT_EQ(Entries(), 2u);
}

} // namespace
