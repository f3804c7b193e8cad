// tonvik3-cli play, run as a program: to the end of a song, looping a pattern
// until Ctrl+C, and without the audio plug-in.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TRun {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string output;
    double seconds = 0;
    bool stillRunningAtInterrupt = false;
};

// Runs program with args and extra environment; with interruptAfter, sends
// SIGINT after that long. stdout and stderr go to the output text.
TRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
                std::chrono::milliseconds interruptAfter = 0ms)
{
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(env);
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    TRun run;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
            run.output.append(buffer, static_cast<std::size_t>(n));
    });
    int status = 0;
    bool reaped = false;
    if (interruptAfter > 0ms) {
        std::this_thread::sleep_for(interruptAfter);
        reaped = waitpid(pid, &status, WNOHANG) == pid;
        run.stillRunningAtInterrupt = !reaped;
        if (!reaped)
            kill(pid, SIGINT);
    }
    if (!reaped)
        waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    reader.join();
    close(pipeFds[0]);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

const std::string kCli = tonvik_test::BinPath("tonvik3-cli");
// Four order positions of two seconds each.
const std::string kSong = tonvik_test::DataPath("golden/arrangement.tonvik");
const std::vector<std::string> kDummy{"SDL_AUDIODRIVER=dummy"};

TEST(CliPlayTest, PlaysFromAPositionToTheEndOfTheSong)
{
    TRun run = RunProgram(kCli, {"play", kSong, "--from", "3"}, kDummy);
    EXPECT_EQ(run.status, 0) << run.output;
    // The last position, two seconds, in real time.
    EXPECT_GE(run.seconds, 1.9);
    EXPECT_LT(run.seconds, 6.0);
    EXPECT_NE(run.output.find("position 3/4  row 0  0:06.0"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("position 2/4"), std::string::npos) << run.output;
}

TEST(CliPlayTest, LoopsThePatternUntilCtrlC)
{
    TRun run = RunProgram(kCli, {"play", kSong, "--from", "3", "--pattern"}, kDummy, 3000ms);
    // Past the end of the song, still playing; Ctrl+C ends it cleanly.
    EXPECT_TRUE(run.stillRunningAtInterrupt) << run.output;
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("position 4/"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Exception"), std::string::npos) << run.output;
}

TEST(CliPlayTest, RefusesPositionsPastTheEnd)
{
    TRun run = RunProgram(kCli, {"play", kSong, "--from", "4"}, kDummy);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("position 4 is past the end of the song (4 positions)"), std::string::npos)
        << run.output;
}

TEST(CliPlayTest, WithoutThePluginOnlyPlayingFails)
{
    // The program alone in a folder: no plug-in beside it or in plugins/.
    fs::path folder = fs::path(::testing::TempDir()) / "dxa8_cli_without_plugin";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(kCli, folder / "tonvik3-cli");
    if (fs::exists(fs::path(TONVIK_PLUGIN_INSTALL_DIR) / "mrvx_std_dxa8.so"))
        GTEST_SKIP() << "an installed plug-in would be found";
    const std::string program = (folder / "tonvik3-cli").string();
    const std::vector<std::string> env{"LD_LIBRARY_PATH=" + tonvik_test::BinPath("")};

    TRun play = RunProgram(program, {"play", kSong}, env);
    EXPECT_EQ(play.status, 1);
    EXPECT_NE(play.output.find("no audio output plug-in loaded"), std::string::npos) << play.output;
    EXPECT_NE(play.output.find("mrvx_std_dxa8"), std::string::npos) << play.output;

    // What needs no sound still works.
    TRun info = RunProgram(program, {"info", kSong}, env);
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("4 positions"), std::string::npos) << info.output;
    fs::remove_all(folder);
}

} // namespace
