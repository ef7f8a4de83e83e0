#include "HarnessRun.h"

#include "ScratchFiles.h"

#include <chrono>
#include <stdexcept>

namespace fault {

std::string harnessPath()
{
    return WEVEL_SAVE_HARNESS;
}

SpawnOptions waitingHarness(const std::string& home)
{
    SpawnOptions options;
    options.args = {"--wait"};
    options.home = home;
    options.pipeStdin = true;
    return options;
}

CompletedSave saveToCompletion(std::string_view former)
{
    ScratchDir home;
    writeFile(home / ".wevelrc", former);
    ChildProcess child(harnessPath(), waitingHarness(home.path()));
    if (!child.readStderrUntil("ready\n"))
        throw std::runtime_error("save_harness never got ready: " + ChildProcess::describe(child.wait())
                                 + "\n" + child.err());
    const auto start = std::chrono::steady_clock::now();
    child.sendByte();
    CompletedSave done;
    done.status = child.wait();
    done.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done.out = child.out();
    done.err = child.err();
    if (exists(home / ".wevelrc"))
        done.script = readFile(home / ".wevelrc");
    if (exists(home / ".wevelrc.bak"))
        done.backup = readFile(home / ".wevelrc.bak");
    done.temporaries = saveTemporaries(home.path()).size();
    return done;
}

FailedSave saveExpectingFailure(const std::string& home, SpawnOptions options)
{
    options.args = {"--report"};
    options.home = home;
    ChildProcess child(harnessPath(), options);
    FailedSave result;
    result.status = child.wait();
    result.out = child.out();
    result.err = child.err();
    const std::string_view marker = "status: ";
    if (const std::size_t at = result.err.find(marker); at != std::string::npos) {
        const std::size_t from = at + marker.size();
        result.statusText = result.err.substr(from, result.err.find('\n', from) - from);
    }
    return result;
}

} // namespace fault
