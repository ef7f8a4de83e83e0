// A Save killed with SIGKILL at any moment leaves ~/.wevelrc whole: either
// all of the former script or all of the new one, and ~/.wevelrc.bak either
// the backup that was there or all of the former script.
//
// The former script is large (some 5 MB), so that each step of the Save
// (building the text, writing and syncing the backup, renaming it, the same
// for the script, telling the client) takes long enough to be hit. Half the
// runs kill at a spread of delays after the go byte; the other half wait for
// the k-th file event of the Save in the home folder (a temporary created,
// closed, renamed into place) and kill at once or a little later.

#include "ChildProcess.h"
#include "HarnessRun.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fault;
using namespace std::chrono;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The same steps at the sanitizers' pace, where starting the window costs most.
constexpr int kWorldLines = 30'000;
constexpr int kRuns = 100;
#else
constexpr int kWorldLines = 60'000;
constexpr int kRuns = 120;
#endif

// Extra waits after the chosen file event, from "at once" to well past the
// next event.
constexpr std::array<int, 8> kAfterEventMicros = {0, 0, 20, 100, 400, 1500, 5000, 20000};

std::string largeFormerScript()
{
    std::string s;
    s.reserve(static_cast<std::size_t>(kWorldLines) * 64 + 4096);
    s += "; written by hand; Save keeps only what it understands\n"
         "/visual on\n/set isize=4\n/more on\n/redef on\n/set matching=regexp\n"
         "/lcd /srv/wevel scripts\n";
    char line[160];
    for (int i = 0; i < kWorldLines; ++i) {
        if (i % 1000 == 0)
            s += "; group " + std::to_string(i / 1000) + "\n";
        std::snprintf(line, sizeof line,
                      "/addworld -T'tiny.mush' World%d char%d secret%d host%d.example.org %d\n", i,
                      i, i, i % 977, 4000 + i % 1000);
        s += line;
    }
    return s;
}

// Counts the file events of a Save in one folder: a name holding ".wevelrc"
// created, closed after writing, or renamed into the folder.
class SaveEvents {
public:
    explicit SaveEvents(const std::string& folder)
    {
        fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~SaveEvents()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SaveEvents(const SaveEvents&) = delete;
    SaveEvents& operator=(const SaveEvents&) = delete;

    int fd() const { return fd_; }

    // Reads what is queued; returns how many of the events were the Save's.
    int drain()
    {
        alignas(inotify_event) char buf[8192];
        int count = 0;
        for (;;) {
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                return count;
            for (ssize_t at = 0; at < n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
                if (ev->len > 0 && std::string_view(ev->name).find(".wevelrc") != std::string_view::npos)
                    ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
        }
    }

private:
    int fd_ = -1;
};

// Where the first differing byte is, for messages about 12 MB strings.
std::string howItDiffers(const std::string& got, const std::string& former, const std::string& fresh)
{
    auto firstDiff = [&](const std::string& want) {
        std::size_t i = 0;
        while (i < got.size() && i < want.size() && got[i] == want[i])
            ++i;
        return i;
    };
    return "it holds " + std::to_string(got.size()) + " bytes; former script " +
           std::to_string(former.size()) + " bytes (first difference at " +
           std::to_string(firstDiff(former)) + "), new script " + std::to_string(fresh.size()) +
           " bytes (first difference at " + std::to_string(firstDiff(fresh)) + ")";
}

struct KillPlan {
    int events = 0; // file events to wait for after the go byte
    microseconds delay{0};
    std::string describe() const
    {
        return "kill after " + std::to_string(events) + " file events + " +
               std::to_string(delay.count()) + " us";
    }
};

} // namespace

TEST(KillMidSave, ScriptIsAlwaysTheWholeFormerOrTheWholeNewOne)
{
    const auto testStart = steady_clock::now();
    const std::string former = largeFormerScript();
    const std::string olderBackup = "; the backup of an earlier Save\n/visual off\n";

    // What an undisturbed Save makes of the same script, and how long it takes.
    const CompletedSave full = saveToCompletion(former);
    ASSERT_TRUE(WIFEXITED(full.status) && WEXITSTATUS(full.status) == 0)
        << ChildProcess::describe(full.status) << "\n" << full.err;
    ASSERT_EQ(countLines(full.out), 7u) << full.out;
    ASSERT_EQ(full.backup, former);
    ASSERT_EQ(full.temporaries, 0u);
    const std::string& fresh = full.script;
    ASSERT_NE(fresh, former);
    ASSERT_NE(fresh.find("/addworld -T'tiny.mush' World199 char199 secret199"), std::string::npos);

    ScratchDir home;
    const std::string script = home / ".wevelrc";
    const std::string backup = home / ".wevelrc.bak";

    // The Save's file events, counted once on an undisturbed run here.
    int saveEventCount = 0;
    {
        writeFile(script, former);
        ChildProcess child(harnessPath(), waitingHarness(home.path()));
        ASSERT_TRUE(child.readStderrUntil("ready\n")) << child.err();
        SaveEvents events(home.path());
        ASSERT_GE(events.fd(), 0) << "inotify unavailable";
        child.sendByte();
        const int status = child.wait();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ChildProcess::describe(status);
        saveEventCount = events.drain();
        // Backup: created, closed, renamed in; then the same for the script.
        ASSERT_EQ(saveEventCount, 6);
        ASSERT_EQ(readFile(script), fresh);
    }

    int sawFormer = 0, sawFormerWithNewBackup = 0, sawNew = 0, leftTemporaries = 0, exitedByItself = 0;
    for (int run = 0; run < kRuns; ++run) {
        KillPlan plan;
        const int half = run / 2;
        if (run % 2 == 0) {
            plan.events = half % (saveEventCount + 1);
            plan.delay = microseconds(kAfterEventMicros[(half / (saveEventCount + 1)) % kAfterEventMicros.size()]);
        } else {
            // Spread over the whole Save and a little past its end.
            const double fraction = 1.3 * half / (kRuns / 2 - 1);
            plan.delay = duration_cast<microseconds>(duration<double>(full.seconds * fraction));
        }
        SCOPED_TRACE("run " + std::to_string(run) + ": " + plan.describe());

        writeFile(script, former);
        ::chmod(script.c_str(), 0600);
        writeFile(backup, olderBackup);
        for (const std::string& name : saveTemporaries(home.path()))
            std::filesystem::remove(home / name);

        ChildProcess child(harnessPath(), waitingHarness(home.path()));
        ASSERT_TRUE(child.readStderrUntil("ready\n")) << child.err();
        SaveEvents events(home.path());
        ASSERT_GE(events.fd(), 0);

        ASSERT_TRUE(child.sendByte());
        for (int seen = 0; seen < plan.events;) {
            if (!child.waitReadable(events.fd()))
                break; // it finished first
            seen += events.drain();
        }
        if (plan.delay.count() > 0)
            std::this_thread::sleep_for(plan.delay);
        child.kill(SIGKILL);
        const int status = child.wait();

        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        ASSERT_TRUE(killed || finished) << ChildProcess::describe(status) << "\n" << child.err();
        exitedByItself += finished;

        ASSERT_TRUE(exists(script)) << "~/.wevelrc is gone";
        const std::string nowScript = readFile(script);
        const bool isFormer = nowScript == former;
        const bool isNew = nowScript == fresh;
        ASSERT_TRUE(isFormer || isNew) << "~/.wevelrc is neither whole script: "
                                       << howItDiffers(nowScript, former, fresh);

        ASSERT_TRUE(exists(backup)) << "~/.wevelrc.bak is gone";
        const std::string nowBackup = readFile(backup);
        ASSERT_TRUE(nowBackup == olderBackup || nowBackup == former)
            << "~/.wevelrc.bak is neither the earlier backup nor the former script: "
            << howItDiffers(nowBackup, former, fresh);
        // The backup is made before the script is replaced.
        if (isNew) {
            EXPECT_EQ(nowBackup, former) << "new script without the backup of the former one";
        }

        // The client hears of a Save only once the script is written.
        EXPECT_TRUE(child.out().empty() || child.out() == full.out) << "stdout: " << child.out();
        if (!child.out().empty()) {
            EXPECT_TRUE(isNew) << "the client was told of a Save that is not on disk";
        }
        if (finished) {
            EXPECT_EQ(child.out(), full.out);
        }

        // At most the one temporary the killed Save was writing, and private:
        // it may hold passwords.
        const std::vector<std::string> temporaries = saveTemporaries(home.path());
        EXPECT_LE(temporaries.size(), 1u);
        if (finished) {
            EXPECT_TRUE(temporaries.empty());
        }
        for (const std::string& name : temporaries) {
            struct stat st;
            ASSERT_EQ(::stat((home / name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 077, 0u) << name << " is open to others";
        }
        leftTemporaries += static_cast<int>(temporaries.size());

        if (isNew)
            ++sawNew;
        else if (nowBackup == former)
            ++sawFormerWithNewBackup;
        else
            ++sawFormer;
        if (HasFailure())
            break;
    }

    const double seconds = duration<double>(steady_clock::now() - testStart).count();
    std::printf("%d runs on a %zu-byte script (full Save %.3f s): former script %d, former script "
                "with the backup already replaced %d, new script %d (%d of them finished before the "
                "kill); temporaries left %d; %.1f s in all\n",
                kRuns, former.size(), full.seconds, sawFormer, sawFormerWithNewBackup, sawNew,
                exitedByItself, leftTemporaries, seconds);
    RecordProperty("former", sawFormer);
    RecordProperty("formerWithNewBackup", sawFormerWithNewBackup);
    RecordProperty("new", sawNew);

    // A kill right after the go byte finds nothing written; a kill after the
    // script's rename event finds the new one: both ends are always hit.
    EXPECT_GT(sawFormer, 0);
    EXPECT_GT(sawNew, 0);
}
