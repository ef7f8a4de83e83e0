#include "ScratchFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fault {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

ScratchDir::ScratchDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wevel-fault.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        fail("mkdtemp " + pattern);
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

SmallTmpfs::SmallTmpfs(const std::string& where, std::size_t bytes) : where_(where)
{
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
        mounted_ = true;
    else
        why_ = std::strerror(errno);
}

SmallTmpfs::~SmallTmpfs()
{
    if (mounted_)
        ::umount2(where_.c_str(), MNT_DETACH);
}

std::string readFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + path);
    std::string data;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            fail("read " + path);
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

void writeFile(const std::string& path, std::string_view data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("create " + path);
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            fail("write " + path);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0)
        fail("close " + path);
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> saveTemporaries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".wevelrc") != std::string::npos && name != ".wevelrc" && name != ".wevelrc.bak")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

unsigned long long freeBytes(const std::string& path)
{
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0)
        fail("statvfs " + path);
    return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}

std::string fillFileSystem(const std::string& folder)
{
    const std::string path = folder + "/filler";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("create " + path);
    const std::string block(4096, 'f');
    for (;;) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == ENOSPC)
            break;
        if (n <= 0) {
            ::close(fd);
            fail("fill " + path);
        }
    }
    ::close(fd);
    return path;
}

std::size_t countLines(std::string_view text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace fault
