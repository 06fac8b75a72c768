// Cost bounds: a very long line, a user-function recursion bomb and a regular expression
// whose failed runs overlap. Each case runs in its own child process so that its peak memory
// (getrusage of the child) is its own.
#include "engine/CompTinyParseEngine.h"
#include "regex/bmRegExp.h"

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

struct Outcome {
    double Seconds = 0;    // wall time of the work
    double CpuSeconds = 0; // user + system time of the whole child
    long PeakKiB = 0;
};

// Runs work() in a child; reports its time and the child's peak
// resident memory.
Outcome InChild(const std::function<void()>& work) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto elapsed = std::chrono::steady_clock::now() - t0;
        const double s = std::chrono::duration<double>(elapsed).count();
        (void)!write(fds[1], &s, sizeof s);
        _exit(0);
    }
    close(fds[1]);
    Outcome o;
    (void)!read(fds[0], &o.Seconds, sizeof o.Seconds);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    o.PeakKiB = usage.ru_maxrss;
    o.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return o;
}

void LongLine() {
    const std::size_t bytes = 5u << 20;
    std::string line = "1";
    line.reserve(bytes + 2);
    while (line.size() < bytes)
        line += "+1";
    // The same process without the calculation: the line itself and the program.
    const Outcome base = InChild([&] {
        std::string copy = line;
        std::printf("%s", copy.empty() ? "x" : "");
    });
    const Outcome o = InChild([&] {
        vexmo::Variables vars;
        vexmo::TCompTinyParser engine;
        engine.SetVariables(&vars);
        engine.SetExpression(line);
        if (engine.ResultValue().Real != static_cast<double>(bytes / 2 + 1))
            std::printf("wrong sum\n");
    });
    const double perByte = (o.PeakKiB - base.PeakKiB) * 1024.0 / static_cast<double>(line.size());
    std::printf("5 MiB line 1+1+...          %7.3f s (cpu %.3f s)   peak %6ld MiB   %5.1f bytes "
                "per input byte\n",
                o.Seconds, o.CpuSeconds - base.CpuSeconds, o.PeakKiB / 1024, perByte);
}

void RecursionBomb() {
    std::string body = "R(X)+R(X)";
    while (body.size() < 10 * 1024)
        body += "+1";
    const Outcome o = InChild([&] {
        vexmo::Variables vars;
        vexmo::TCompTinyParser engine;
        engine.SetVariables(&vars);
        engine.SetExpression("R(X) := " + body);
        engine.Calculate();
        engine.SetExpression("R(1)");
        engine.Calculate();
        if (engine.ErrorState() != 1)
            std::printf("the bomb did not fail\n");
    });
    std::printf("recursion bomb, 10 KB body  %7.3f s (cpu %.3f s)   peak %6ld MiB\n", o.Seconds,
                o.CpuSeconds, o.PeakKiB / 1024);
}

void OverlappingFailures(std::size_t count) {
    const std::string text(count, 'a');
    const Outcome o = InChild([&] {
        vexmo::TAWKStr awk;
        awk.SetRegExp("(aa)*b");
        std::string t = text;
        if (awk.ReplaceAll("x", t) != 0)
            std::printf("unexpected match\n");
    });
    std::printf("(aa)*b over %7zu a       %7.3f s (cpu %.3f s)   peak %6ld MiB\n", count,
                o.Seconds, o.CpuSeconds, o.PeakKiB / 1024);
}

} // namespace

int main() {
    LongLine();
    RecursionBomb();
    OverlappingFailures(40000);
    OverlappingFailures(400000);
    return 0;
}
