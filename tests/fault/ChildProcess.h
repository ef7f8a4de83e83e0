#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace fault {

struct SpawnOptions {
    std::vector<std::string> args; // after the program name
    std::string home;              // HOME of the child
    bool pipeStdin = false;        // else stdin is /dev/null
    // RLIMIT_FSIZE for the child, with SIGXFSZ ignored so that an oversized
    // write fails with EFBIG instead of killing it.
    std::optional<rlim_t> fileSizeLimit;
    std::vector<std::pair<std::string, std::string>> env; // set or replaced
};

// A program run with its stdout and stderr read through pipes. The
// destructor kills and reaps a child that is still there, so a failing
// test leaves nothing running.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const SpawnOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

    // Reads stdout and stderr until stderr holds `text`. False when both
    // ended (or nothing came for a long while) without it.
    bool readStderrUntil(std::string_view text);

    // Writes one byte to the child's stdin; false once it no longer reads.
    bool sendByte(char byte = 'g');

    // Waits until `fd` is readable, reading stdout and stderr meanwhile.
    // False when the child's output ended first (it exited) or nothing came
    // for a long while.
    bool waitReadable(int fd);

    void kill(int signal);

    // Reads stdout and stderr to their end, then reaps the child. Returns
    // the wait status; -1 when it had to be killed after a long silence.
    int wait();

    // "exit 0", "signal 9", ... for messages.
    static std::string describe(int status);

private:
    // One poll round over the output pipes and `extraFd` (when >= 0).
    // Returns 1 when extraFd is readable, 0 after reading output, -1 when
    // the outputs have ended or the round timed out.
    int pump(int extraFd);

    pid_t pid_ = -1;
    int in_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string out_;
    std::string err_;
};

} // namespace fault
