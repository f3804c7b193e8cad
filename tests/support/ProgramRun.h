#pragma once
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvik_test {

struct TProgramRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
    double seconds = 0;
    bool stillRunningAtInterrupt = false;

    std::string Output() const { return out + err; }
};

struct TProgramOptions {
    std::vector<std::string> env;  // "NAME=value" added to this process's environment
    // A test run by root runs the program as "nobody", so that file permissions apply to it.
    bool unprivileged = false;
    // Sends interruptSignal (SIGINT unless set) after this long, when the program is still running.
    std::chrono::milliseconds interruptAfter{0};
    int interruptSignal = SIGINT;
    // Files the program writes cannot grow beyond this many bytes (0: no limit), as on a full disk.
    std::uint64_t fileSizeLimit = 0;
    // The program's address space is limited to this many bytes (0: no limit).
    std::uint64_t memoryLimit = 0;
    // The program's stderr is a terminal (a pseudo-terminal that err collects).
    bool stderrTerminal = false;
};

// Runs a program to its end and collects its output, exit status and run time.
TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const TProgramOptions& options = {});

} // namespace tonvik_test
