// tonvik3-cli as a user runs it: exit statuses, messages and the files it writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SongFileTestSupport.h"
#include "support/TestSupport.h"

using namespace tonvik_test;

namespace {

struct TRun {
    int status = -1;
    std::string out, err;
};

// Runs the program with arguments; collects its output and exit status.
// unprivileged: a test run by root runs the program as "nobody", so that file
// permissions apply to it.
TRun RunCli(const std::vector<std::string>& arguments, bool unprivileged = false)
{
    const std::string program = BinPath("tonvik3-cli");
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        constexpr uid_t kNobody = 65534;
        if (unprivileged && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    TRun run;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Golden(const std::string& name) { return DataPath("golden/" + name); }

class Cli : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CTempFolder m_folder;
};

TEST_F(Cli, HelpListsTheSubcommandsAndExitsZero)
{
    const TRun run = RunCli({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* command : {"render", "export-c", "convert", "info"})
        EXPECT_NE(run.out.find(command), std::string::npos) << command;
    EXPECT_EQ(RunCli({}).status, 1);
    EXPECT_EQ(RunCli({"render", Golden("empty.tonvik")}).status, 1);
}

TEST_F(Cli, RenderWritesTheSameFileAsTheEditorsExport)
{
    const TRun run = RunCli({"render", Golden("waves.tonvik"), Path("waves.wav")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no progress bar when stderr is not a terminal
    EXPECT_EQ(ReadFileBytes(Path("waves.wav")), GoldenBytes("waves.wav"));
}

TEST_F(Cli, ExportCAndConvertWriteTheReferenceBytes)
{
    EXPECT_EQ(RunCli({"export-c", Golden("arrangement.tonvik"), Path("OvkSongData.cpp")}).status, 0);
    EXPECT_EQ(ReadFileBytes(Path("OvkSongData.cpp")), GoldenBytes("arrangement.cpp"));
    EXPECT_EQ(RunCli({"convert", Golden("v2_basic.tonvik"), Path("v3.tonvik")}).status, 0);
    EXPECT_EQ(ReadFileBytes(Path("v3.tonvik")), GoldenBytes("v2_basic.v3.tonvik"));
    EXPECT_EQ(RunCli({"convert", Golden("instr_rich.tonviki"), Path("rich.tonviki")}).status, 0);
    EXPECT_EQ(ReadFileBytes(Path("rich.tonviki")), GoldenBytes("instr_rich.v3.tonviki"));
}

TEST_F(Cli, InfoSummarisesAndPrintsEveryFieldAsJson)
{
    const TRun summary = RunCli({"info", Golden("v2_basic.tonvik")});
    EXPECT_EQ(summary.status, 0);
    for (const char* line : {"Length: 2 positions, 0:03.84 (3.84 s)\n", "Tempo: 125 BPM (5292 samples per row)\n",
                             "Master volume: 153\n", "Channel 2: volume 204, 3 oscillator pairs, 0 effects\n",
                             "    pair 2: noise vol 191 +25c\n", "Channel 8 (not played): volume 100"})
        EXPECT_NE(summary.out.find(line), std::string::npos) << line << summary.out;

    const TRun json = RunCli({"info", "--json", Golden("v2_basic.tonvik")});
    EXPECT_EQ(json.status, 0);
    const TBytes expected = GoldenBytes("v2_basic.json");
    EXPECT_EQ(json.out, std::string(expected.begin(), expected.end()));
    const TRun instrument = RunCli({"info", Golden("instr_rich.tonviki"), "--json"});
    const TBytes expectedInstrument = GoldenBytes("instr_rich.json");
    EXPECT_EQ(instrument.out, std::string(expectedInstrument.begin(), expectedInstrument.end()));
}

TEST_F(Cli, InvalidFilesExitTwoWithTheReason)
{
    const TRun notSong = RunCli({"info", Golden("v2_basic.json")});
    EXPECT_EQ(notSong.status, 2);
    EXPECT_EQ(notSong.err, "tonvik3-cli: " + Golden("v2_basic.json") + ": Invalid file format\n");

    TBytes cut = GoldenBytes("one_sine.tonvik");
    cut.resize(cut.size() - 100);
    WriteFileBytes(Path("cut.tonvik"), cut);
    const TRun damaged = RunCli({"render", Path("cut.tonvik"), Path("cut.wav")});
    EXPECT_EQ(damaged.status, 2);
    EXPECT_EQ(damaged.err, "tonvik3-cli: " + Path("cut.tonvik") + ": Invalid data format\n");
    EXPECT_FALSE(std::filesystem::exists(Path("cut.wav")));

    const TRun songAsInstrument = RunCli({"convert", Golden("one_sine.tonvik"), Path("x.tonviki")});
    EXPECT_EQ(songAsInstrument.status, 0);  // read as a song: its name decides
    const TRun instrumentAsSong = RunCli({"export-c", Golden("instr_rich.tonviki"), Path("x.cpp")});
    EXPECT_EQ(instrumentAsSong.status, 2);
}

TEST_F(Cli, OtherFailuresExitOneNamingTheFile)
{
    const TRun missing = RunCli({"info", Path("missing.tonvik")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "tonvik3-cli: " + Path("missing.tonvik") + ": Cannot open '" + Path("missing.tonvik") + "' for reading\n");

    const std::string out = Path("no/folder/song.tonvik");
    const TRun unwritable = RunCli({"convert", Golden("one_sine.tonvik"), out});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err.rfind("tonvik3-cli: " + out + ": ", 0), 0u) << unwritable.err;

    const TRun render = RunCli({"render", Golden("one_sine.tonvik"), Path("no/folder/x.wav")});
    EXPECT_EQ(render.status, 1);
    EXPECT_NE(render.err.find("for writing"), std::string::npos);
}

TEST_F(Cli, ReadOnlyFileIsRefusedAndKept)
{
    ASSERT_EQ(chmod(m_folder.Get().c_str(), 0777), 0);
    const std::string out = Path("locked.tonvik");
    WriteFileBytes(out, GoldenBytes("empty.tonvik"));
    ASSERT_EQ(chmod(out.c_str(), 0444), 0);
    const TRun run = RunCli({"convert", Golden("one_sine.tonvik"), out}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tonvik3-cli: " + out + ": Cannot open '" + out + "' for writing\n");
    EXPECT_EQ(ReadFileBytes(out), GoldenBytes("empty.tonvik"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Get()), std::filesystem::directory_iterator()), 1);
}

} // namespace
