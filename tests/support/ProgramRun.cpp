#include "support/ProgramRun.h"

#include <errno.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

extern char** environ;

namespace tonvik_test {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& t : texts)
        pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const TProgramOptions& options)
{
    // Everything the child needs is built before fork: between fork and exec
    // only async-signal-safe calls are allowed.
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings(options.env);
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    std::vector<char*> argv = Pointers(argStrings);
    std::vector<char*> envp = Pointers(envStrings);

    TProgramRun run;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0)
        return run;
    // A terminal's two ends stand in for the pipe's: the program writes to
    // the terminal, this process reads what it shows.
    if (options.stderrTerminal ? openpty(&errPipe[0], &errPipe[1], nullptr, nullptr, nullptr) != 0
                               : pipe(errPipe) != 0)
        return run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            close(fd);
        return run;
    }
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        if (options.fileSizeLimit > 0) {
            // A write past the limit then fails with EFBIG instead of ending the program.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(126);
        }
        if (options.memoryLimit > 0) {
            const rlimit limit{options.memoryLimit, options.memoryLimit};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(126);
        }
        constexpr uid_t kNobody = 65534;
        if (options.unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(126);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);

    const auto interruptAt = start + options.interruptAfter;
    bool interruptPending = options.interruptAfter.count() > 0;
    bool reaped = false;
    int status = 0;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        int timeout = -1;
        if (interruptPending) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(interruptAt - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0) {
            // The deadline: the program runs on unless it has exited and only its pipes are still draining.
            interruptPending = false;
            reaped = waitpid(pid, &status, WNOHANG) == pid;
            run.stillRunningAtInterrupt = !reaped;
            if (!reaped)
                kill(pid, options.interruptSignal);
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            // A terminal whose program has gone reads as an error (EIO): its end too.
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
    if (!reaped)
        reaped = waitpid(pid, &status, 0) == pid;
    if (reaped)
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

} // namespace tonvik_test
