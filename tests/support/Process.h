#pragma once
// Runs a program to its end with given standard input, capturing what it writes.

#include "TempFolder.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmo::test {

struct ProcessRun {
    std::vector<std::string> Args;  // the program first
    std::string Input;
    std::string InputFile;          // standard input read from this file instead of Input
    std::string Stdout;             // a file to write standard output to instead of capturing it
    long FileSizeLimit = -1;        // bytes any one file may grow to; a larger write fails
    unsigned TimeLimitSeconds = 0;  // a run that hangs ends by SIGALRM, not as a stuck test
};

struct ProcessResult {
    bool Exited = false;  // false: ended by a signal (a crash, or the time limit)
    int Status = -1;      // the exit code, or 128 + the signal
    std::string Out;
    std::string Err;
};

// Standard output and error go through pipes, which no file size limit applies to.
inline ProcessResult RunProcess(const ProcessRun& run) {
    TempDir io;
    const fs::path in = io / "in";
    WriteBytes(in, run.Input);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(run.InputFile.empty() ? in.c_str() : run.InputFile.c_str(), O_RDONLY), 0);
        ::dup2(run.Stdout.empty() ? out[1] : ::open(run.Stdout.c_str(), O_WRONLY), 1);
        ::dup2(err[1], 2);
        for (const int fd : {out[0], out[1], err[0], err[1]})
            ::close(fd);
        if (run.FileSizeLimit >= 0) {
            // An oversized write then fails with EFBIG instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(run.FileSizeLimit),
                               static_cast<rlim_t>(run.FileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (run.TimeLimitSeconds > 0) ::alarm(run.TimeLimitSeconds);
        std::vector<char*> argv;
        for (const std::string& a : run.Args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ProcessResult r;
    pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&r.Out, &r.Err};
    for (int open = 2; open > 0;) {
        if (::poll(ends, 2, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0) continue;
            char buffer[65536];
            const ssize_t n = ::read(ends[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(ends[i].fd);
                ends[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.Exited = WIFEXITED(status);
    r.Status = r.Exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

} // namespace vexmo::test
