// Saves whose writes fail, made to fail in ways that hold for root too (who
// ignores permission bits): a file size limit, a full file system, a home
// folder that is not there. Each time the window must stay open and say
// which file and why, print nothing for the client, and leave the former
// script byte for byte and no temporary file behind.

#include "ChildProcess.h"
#include "HarnessRun.h"
#include "SaveHarnessCodes.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fault;

namespace {

constexpr std::size_t kPage = 4096;

std::string smallFormerScript()
{
    return "; by hand\n/visual on\n/set isize=2\n/lcd /srv/scripts\n"
           "/addworld -T'tiny' Alpha alice pw1 alpha.example.org 4000\n"
           "/addworld -T'lp' Beta bob pw2 beta.example.org 4001\n"
           "/addworld Gamma gamma.example.org 4002\n";
}

// A script of exactly one page whose Save needs more than one: the template
// adds more than the comment padding it drops.
std::string onePageFormerScript()
{
    std::string s = "/visual on\n";
    for (int i = 0; s.size() < 3700; ++i)
        s += "/addworld -T'tiny' World" + std::to_string(i) + " char pw host" + std::to_string(i) +
             ".example.org 4000\n";
    const std::string opening = "; padding";
    s += opening + std::string(kPage - s.size() - opening.size() - 1, '.') + "\n";
    return s;
}

// The checks every failed Save must pass.
void expectRefusedSave(const FailedSave& run, const std::string& home, const std::string& reason)
{
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == harness::kStillOpen)
        << "expected the window still open after Save, got " << ChildProcess::describe(run.status)
        << "\nstderr:\n" << run.err;
    EXPECT_EQ(run.out, "") << "a failed Save told the client something";
    EXPECT_NE(run.statusText.find(home + "/.wevelrc"), std::string::npos)
        << "the message does not name the script: " << run.statusText;
    EXPECT_NE(run.statusText.find(reason), std::string::npos)
        << "the message does not give the reason \"" << reason << "\": " << run.statusText;
    if (exists(home)) {
        EXPECT_EQ(saveTemporaries(home), std::vector<std::string>{}) << "temporaries left behind";
    }
}

// ------------------------------------------------------------ file size limit

struct SizeLimitCase {
    const char* name;
    // The limit, from the sizes of the former script and of the new one.
    rlim_t (*limit)(std::size_t formerSize, std::size_t newSize);
    bool backupWritten; // whether the limit lets the backup through
};

void PrintTo(const SizeLimitCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileSizeLimit : public ::testing::TestWithParam<SizeLimitCase> {};

TEST_P(FileSizeLimit, SaveFailsAndLeavesTheScript)
{
    const SizeLimitCase& c = GetParam();
    const std::string former = smallFormerScript();
    const CompletedSave full = saveToCompletion(former);
    ASSERT_TRUE(WIFEXITED(full.status) && WEXITSTATUS(full.status) == 0) << full.err;
    ASSERT_LT(former.size(), full.script.size());
    const rlim_t limit = c.limit(former.size(), full.script.size());
    ASSERT_EQ(limit >= former.size(), c.backupWritten);
    ASSERT_LT(limit, full.script.size());

    ScratchDir home;
    const std::string olderBackup = "; an earlier backup\n";
    writeFile(home / ".wevelrc", former);
    writeFile(home / ".wevelrc.bak", olderBackup);

    SpawnOptions options;
    options.fileSizeLimit = limit;
    const FailedSave run = saveExpectingFailure(home.path(), options);

    expectRefusedSave(run, home.path(), "File too large");
    EXPECT_EQ(readFile(home / ".wevelrc"), former);
    EXPECT_EQ(readFile(home / ".wevelrc.bak"), c.backupWritten ? former : olderBackup);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileSizeLimit,
    ::testing::Values(
        SizeLimitCase{"BackupTooLarge", [](std::size_t f, std::size_t) { return rlim_t(f / 2); }, false},
        SizeLimitCase{"ScriptTooLarge",
                      [](std::size_t f, std::size_t n) { return rlim_t((f + n) / 2); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ full file system

struct FullDiskCase {
    const char* name;
    std::size_t pagesLeft; // free pages left once the disk is filled
    bool backupWritten;
};

void PrintTo(const FullDiskCase& c, std::ostream* os)
{
    *os << c.name;
}

class FullFileSystem : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(FullFileSystem, SaveFailsAndLeavesTheScript)
{
    const FullDiskCase& c = GetParam();
    const std::string former = onePageFormerScript();
    ASSERT_EQ(former.size(), kPage);
    const CompletedSave full = saveToCompletion(former);
    ASSERT_TRUE(WIFEXITED(full.status) && WEXITSTATUS(full.status) == 0) << full.err;
    ASSERT_GT(full.script.size(), kPage) << "the new script must need a second page";

    ScratchDir outer;
    const std::string home = outer / "home";
    ASSERT_EQ(::mkdir(home.c_str(), 0700), 0);
    SmallTmpfs disk(home, 64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.why();

    writeFile(home + "/.wevelrc", former);
    const std::string filler = fillFileSystem(home);
    const auto fillerSize = std::filesystem::file_size(filler);
    std::filesystem::resize_file(filler, (fillerSize / kPage - c.pagesLeft) * kPage);
    const unsigned long long room = freeBytes(home);
    // The room left decides which write fails; make sure it is as planned.
    ASSERT_EQ(room >= former.size(), c.backupWritten) << room << " bytes free";
    ASSERT_LT(room, full.script.size()) << room << " bytes free";

    SpawnOptions options;
    // Anything Qt or its libraries would cache goes elsewhere, not into the room left.
    options.env = {{"XDG_CACHE_HOME", outer / "cache"}, {"XDG_CONFIG_HOME", outer / "config"}};
    const FailedSave run = saveExpectingFailure(home, options);

    expectRefusedSave(run, home, "No space left on device");
    EXPECT_EQ(readFile(home + "/.wevelrc"), former);
    if (c.backupWritten) {
        EXPECT_EQ(readFile(home + "/.wevelrc.bak"), former);
    } else {
        EXPECT_FALSE(exists(home + "/.wevelrc.bak"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FullFileSystem,
                         ::testing::Values(FullDiskCase{"NoRoomAtAll", 0, false},
                                           FullDiskCase{"RoomForTheBackupOnly", 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ missing home folder

TEST(MissingHome, SaveFailsAndCreatesNothing)
{
    ScratchDir outer;
    const std::string home = outer / "no-such-home";

    const FailedSave run = saveExpectingFailure(home);

    expectRefusedSave(run, home, "No such file or directory");
    EXPECT_FALSE(exists(home)) << "the Save made the missing home folder";
}

} // namespace
