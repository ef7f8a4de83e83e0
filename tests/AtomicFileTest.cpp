#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wevel;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char templ[] = "/tmp/wevel-atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir = templ;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string path(const std::string& name) const { return dir + "/" + name; }

    void put(const std::string& name, const std::string& data, mode_t mode)
    {
        ASSERT_FALSE(writeFileAtomically(path(name), data, mode));
    }

    std::string read(const std::string& name) const
    {
        std::string data;
        EXPECT_FALSE(readWholeFile(path(name), data));
        return data;
    }

    mode_t modeOf(const std::string& name) const
    {
        struct stat st;
        EXPECT_EQ(::lstat(path(name).c_str(), &st), 0);
        return st.st_mode;
    }

    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        DIR* d = ::opendir(dir.c_str());
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        ::closedir(d);
        return names;
    }

    std::string dir;
};

TEST_F(AtomicFileTest, NewFileIsPrivate)
{
    ::umask(0);
    ASSERT_FALSE(writeFileAtomically(path("new"), "secret\n"));
    ::umask(022);
    EXPECT_EQ(read("new"), "secret\n");
    EXPECT_EQ(modeOf("new") & 07777, 0600u);
    EXPECT_EQ(entries(), std::set<std::string>{"new"});
}

TEST_F(AtomicFileTest, ExistingFileKeepsItsMode)
{
    put("rc", "old", 0640);
    ASSERT_FALSE(writeFileAtomically(path("rc"), "new"));
    EXPECT_EQ(read("rc"), "new");
    EXPECT_EQ(modeOf("rc") & 07777, 0640u);
}

TEST_F(AtomicFileTest, SymlinkIsKeptAndItsTargetWritten)
{
    ASSERT_EQ(::mkdir(path("dotfiles").c_str(), 0700), 0);
    put("dotfiles/wevelrc", "old", 0644);
    ASSERT_EQ(::symlink("dotfiles/wevelrc", path(".wevelrc").c_str()), 0);

    ASSERT_FALSE(writeFileAtomically(path(".wevelrc"), "new"));
    EXPECT_TRUE(S_ISLNK(modeOf(".wevelrc"))) << "the link is not replaced by a plain file";
    EXPECT_EQ(read("dotfiles/wevelrc"), "new");
    EXPECT_EQ(modeOf("dotfiles/wevelrc") & 07777, 0644u);
}

TEST_F(AtomicFileTest, DanglingSymlinkCreatesItsTarget)
{
    ASSERT_EQ(::symlink(path("target").c_str(), path("link").c_str()), 0);
    ASSERT_FALSE(writeFileAtomically(path("link"), "new"));
    EXPECT_TRUE(S_ISLNK(modeOf("link")));
    EXPECT_EQ(read("target"), "new");
}

TEST_F(AtomicFileTest, MissingFolderFailsWithReason)
{
    const FileResult error = writeFileAtomically(path("no/such/folder/rc"), "data");
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find(path("no/such/folder")), std::string::npos) << error->message;
    EXPECT_NE(error->message.find("No such file or directory"), std::string::npos) << error->message;
}

// A write cut short by the file size limit: this holds for root too, unlike
// permission bits. Run in a child so the limit does not reach the test runner.
TEST_F(AtomicFileTest, WriteCutShortLeavesFormerFileWholeAndNoTemporary)
{
    const std::string former(10000, 'o');
    put("rc", former, 0600);
    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileResult error = writeFileAtomically(path("rc"), std::string(100000, 'n'));
        const std::string message = error ? error->message : "";
        (void)!::write(pipeFd[1], message.data(), message.size());
        ::_exit(error ? 0 : 1);
    }
    ::close(pipeFd[1]);
    std::string message;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFd[0], buf, sizeof buf)) > 0;)
        message.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFd[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the cut write is reported as a failure";
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_EQ(read("rc"), former);
    EXPECT_EQ(entries(), std::set<std::string>{"rc"}) << "no temporary file is left";
}

TEST_F(AtomicFileTest, SaveKeepsFormerContentAsBackupWithItsMode)
{
    put(".wevelrc", "former\n/bind hand-written\n", 0640);
    ASSERT_FALSE(saveWithBackup(path(".wevelrc"), "generated\n"));
    EXPECT_EQ(read(".wevelrc"), "generated\n");
    EXPECT_EQ(read(".wevelrc.bak"), "former\n/bind hand-written\n");
    EXPECT_EQ(modeOf(".wevelrc.bak") & 07777, 0640u);
    EXPECT_EQ(modeOf(".wevelrc") & 07777, 0640u);
}

TEST_F(AtomicFileTest, SaveWithoutFormerScriptMakesNoBackup)
{
    ASSERT_FALSE(saveWithBackup(path(".wevelrc"), "generated\n"));
    EXPECT_EQ(entries(), std::set<std::string>{".wevelrc"});
    EXPECT_EQ(modeOf(".wevelrc") & 07777, 0600u);
}

TEST_F(AtomicFileTest, SaveThroughSymlinkBacksUpTheTarget)
{
    put("real", "former", 0600);
    ASSERT_EQ(::symlink("real", path(".wevelrc").c_str()), 0);
    ASSERT_FALSE(saveWithBackup(path(".wevelrc"), "generated"));
    EXPECT_TRUE(S_ISLNK(modeOf(".wevelrc")));
    EXPECT_EQ(read("real"), "generated");
    EXPECT_EQ(read(".wevelrc.bak"), "former");
}

TEST_F(AtomicFileTest, ReadReportsMissingApartFromErrors)
{
    std::string data = "stale";
    bool missing = false;
    EXPECT_FALSE(readWholeFile(path("absent"), data, &missing));
    EXPECT_TRUE(missing);
    EXPECT_TRUE(data.empty());
    ASSERT_EQ(::mkdir(path("folder").c_str(), 0700), 0);
    EXPECT_TRUE(readWholeFile(path("folder"), data, &missing)) << "a folder is not a script";
}

TEST_F(AtomicFileTest, PipesAndDevicesAreRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", path("zeros").c_str()), 0);
    for (const char* name : {"pipe", "zeros"}) {
        std::string data;
        const FileResult error = readWholeFile(path(name), data);
        ASSERT_TRUE(error) << name;
        EXPECT_NE(error->message.find("not a regular file"), std::string::npos) << error->message;
    }
    // Saving over a pipe stops at the backup: the pipe stays.
    EXPECT_TRUE(saveWithBackup(path("pipe"), "new"));
    EXPECT_TRUE(S_ISFIFO(modeOf("pipe")));
}

TEST(ExpandTilde, ReplacesOnlyTheLeadingTilde)
{
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(expandTilde("~/.wevelrc"), "/home/someone/.wevelrc");
    EXPECT_EQ(expandTilde("/etc/~x"), "/etc/~x");
    ::setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
