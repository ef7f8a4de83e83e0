#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fault {

namespace {

// Far longer than any healthy step takes, even under the sanitizers: only a
// hung child reaches it, and the test then fails instead of hanging.
constexpr int kSilenceLimitMs = 100'000;

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::vector<std::string> childEnvironment(const SpawnOptions& options)
{
    std::vector<std::pair<std::string, std::string>> set = options.env;
    set.emplace_back("HOME", options.home);
    if (std::none_of(set.begin(), set.end(), [](const auto& kv) { return kv.first == "QT_QPA_PLATFORM"; }))
        set.emplace_back("QT_QPA_PLATFORM", "offscreen");

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        if (std::none_of(set.begin(), set.end(), [&](const auto& kv) { return kv.first == name; }))
            env.emplace_back(entry);
    }
    for (const auto& [name, value] : set)
        env.push_back(name + "=" + value);
    return env;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const SpawnOptions& options)
{
    // Everything the child needs is built before fork: between fork and exec
    // it may only make async-signal-safe calls.
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = childEnvironment(options);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int inPipe[2] = {-1, -1};
    int outPipe[2];
    int errPipe[2];
    if (options.pipeStdin && ::pipe2(inPipe, O_CLOEXEC) != 0)
        fail("pipe");
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        fail("pipe");
    const int devNull = options.pipeStdin ? -1 : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    struct rlimit limit {};
    if (options.fileSizeLimit)
        limit.rlim_cur = limit.rlim_max = *options.fileSizeLimit;

    pid_ = ::fork();
    if (pid_ < 0)
        fail("fork");
    if (pid_ == 0) {
        const int stdinSource = options.pipeStdin ? inPipe[0] : devNull;
        if (::dup2(stdinSource, STDIN_FILENO) < 0 || ::dup2(outPipe[1], STDOUT_FILENO) < 0
            || ::dup2(errPipe[1], STDERR_FILENO) < 0)
            ::_exit(127);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        struct sigaction deflt {};
        deflt.sa_handler = SIG_DFL;
        // The test runner ignores SIGPIPE; the child starts as a shell would start it.
        ::sigaction(SIGPIPE, &deflt, nullptr);
        if (options.fileSizeLimit) {
            // An ignored signal stays ignored across exec.
            ::sigaction(SIGXFSZ, &ignore, nullptr);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (devNull >= 0)
        ::close(devNull);
    if (options.pipeStdin) {
        ::close(inPipe[0]);
        in_ = inPipe[1];
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

ChildProcess::~ChildProcess()
{
    closeFd(in_);
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
    }
    closeFd(outFd_);
    closeFd(errFd_);
}

int ChildProcess::pump(int extraFd)
{
    pollfd fds[3];
    nfds_t n = 0;
    if (outFd_ >= 0)
        fds[n++] = {outFd_, POLLIN, 0};
    if (errFd_ >= 0)
        fds[n++] = {errFd_, POLLIN, 0};
    if (n == 0)
        return -1;
    if (extraFd >= 0)
        fds[n++] = {extraFd, POLLIN, 0};

    int ready;
    do {
        ready = ::poll(fds, n, kSilenceLimitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return -1;

    int result = 0;
    for (nfds_t i = 0; i < n; ++i) {
        if (!fds[i].revents)
            continue;
        if (fds[i].fd == extraFd) {
            result = 1;
            continue;
        }
        int& fd = fds[i].fd == outFd_ ? outFd_ : errFd_;
        std::string& sink = fds[i].fd == outFd_ ? out_ : err_;
        char buf[65536];
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0)
            sink.append(buf, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            closeFd(fd);
    }
    return result;
}

bool ChildProcess::readStderrUntil(std::string_view text)
{
    while (err_.find(text) == std::string::npos) {
        if (pump(-1) < 0)
            return false;
    }
    return true;
}

bool ChildProcess::sendByte(char byte)
{
    if (in_ < 0)
        return false;
    ssize_t n;
    do {
        n = ::write(in_, &byte, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1;
}

bool ChildProcess::waitReadable(int fd)
{
    for (;;) {
        const int r = pump(fd);
        if (r != 0)
            return r > 0;
    }
}

void ChildProcess::kill(int signal)
{
    if (pid_ > 0 && !reaped_)
        ::kill(pid_, signal);
}

int ChildProcess::wait()
{
    if (reaped_)
        return status_;
    closeFd(in_);
    while (outFd_ >= 0 || errFd_ >= 0) {
        if (pump(-1) < 0 && (outFd_ >= 0 || errFd_ >= 0)) {
            // Silent for far too long: a hang. Kill it so the test can say so.
            ::kill(pid_, SIGKILL);
            closeFd(outFd_);
            closeFd(errFd_);
            while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
            }
            reaped_ = true;
            status_ = -1;
            return status_;
        }
    }
    while (::waitpid(pid_, &status_, 0) < 0) {
        if (errno != EINTR)
            fail("waitpid");
    }
    reaped_ = true;
    return status_;
}

std::string ChildProcess::describe(int status)
{
    if (status == -1)
        return "hung, killed";
    if (WIFEXITED(status))
        return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    return "status " + std::to_string(status);
}

} // namespace fault
