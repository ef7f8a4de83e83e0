// Runs a command and prints on one line its wall time and its CPU time
// (user + system) in milliseconds and its peak resident memory in KiB:
// "<wall ms> <cpu ms> <KiB>". Standard output of the
// command goes to /dev/null unless --keep-output is given first, so the
// benchmark script can time `wc -l`, `dd` and the bench programs alike.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    int first = 1;
    bool keepOutput = false;
    if (argc > 1 && std::strcmp(argv[1], "--keep-output") == 0) {
        keepOutput = true;
        first = 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: walltime [--keep-output] command [args...]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }
    if (pid == 0) {
        if (!keepOutput) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            close(null);
        }
        execvp(argv[first], argv + first);
        std::fprintf(stderr, "walltime: cannot run %s: %s\n", argv[first], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    while (wait4(pid, &status, 0, &ru) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            return 2;
        }
    }
    const auto end = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    const double cpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3
                       + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    std::fflush(stdout);
    std::printf("%.3f %.3f %ld\n", ms, cpuMs, ru.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "walltime: %s failed (status %d)\n", argv[first], status);
        return 1;
    }
    return 0;
}
