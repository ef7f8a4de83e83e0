#include "AtomicFile.h"

#include "HugePages.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wevel {

namespace {

FileError failure(std::string_view what, const std::string& path, int err)
{
    std::string message(what);
    message.append(" ").append(path).append(": ").append(std::strerror(err));
    return {message};
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool writeAll(int fd, std::string_view data)
{
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

int closeKeepingErrno(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

} // namespace

std::string expandTilde(std::string_view path)
{
    if (path.empty() || path.front() != '~')
        return std::string(path);
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    return home + std::string(path.substr(1));
}

std::string resolveLinks(const std::string& path, FileResult& error)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                error = failure("cannot look up", current, errno);
            return current;
        }
        if (!S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
        if (n < 0) {
            error = failure("cannot read the link", current, errno);
            return current;
        }
        std::string target(buf.data(), static_cast<std::size_t>(n));
        current = (!target.empty() && target.front() == '/') ? target
                                                             : folderOf(current) + "/" + target;
    }
    error = failure("cannot follow the links of", path, ELOOP);
    return current;
}

FileResult readWholeFile(const std::string& path, std::string& contents, bool* missing)
{
    if (missing)
        *missing = false;
    contents.clear();
    // Not blocking: opening a pipe for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT && missing) {
            *missing = true;
            return std::nullopt;
        }
        return failure("cannot open", path, errno);
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const FileError e = failure("cannot look up", path, errno);
        ::close(fd);
        return e;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            return failure("cannot read", path, EISDIR);
        return FileError{"cannot read " + path + ": not a regular file"};
    }
    // Read straight into the string's room: no second copy of a large
    // script. One byte more than the size leaves room for the read that sees
    // the end, so the buffer is not grown for it.
    std::size_t used = 0;
    try {
        contents.reserve(static_cast<std::size_t>(st.st_size) + 1);
        adviseHugePages(contents.data(), contents.capacity());
        for (;;) {
            if (contents.capacity() == used)
                contents.reserve(std::max<std::size_t>(contents.capacity() * 2, used + 65536));
            contents.resize(contents.capacity());
            const ssize_t n = ::read(fd, contents.data() + used, contents.size() - used);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const FileError e = failure("cannot read", path, errno);
                ::close(fd);
                contents.clear();
                return e;
            }
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        contents = std::string();
        return failure("cannot read", path, ENOMEM);
    }
    contents.resize(used);
    ::close(fd);
    return std::nullopt;
}

FileResult writeFileAtomically(const std::string& path, std::string_view data,
                               std::optional<mode_t> mode)
{
    return writeFileAtomically(path, [data](const ByteSink& sink) { return sink(data); }, mode);
}

FileResult writeFileAtomically(const std::string& path, const ByteSource& source,
                               std::optional<mode_t> mode)
{
    FileResult error;
    const std::string dest = resolveLinks(path, error);
    if (error)
        return error;

    struct stat former;
    bool exists = true;
    if (::stat(dest.c_str(), &former) != 0) {
        if (errno != ENOENT)
            return failure("cannot look up", dest, errno);
        exists = false;
    }

    const std::string folder = folderOf(dest);
    // Hidden beside the file it replaces: ".wevelrc.Ab12Cd".
    const std::string base = baseName(dest);
    std::string tmp = folder + "/" + (!base.empty() && base.front() == '.' ? "" : ".") + base + ".XXXXXX";
    // mkostemp creates the file with O_EXCL and mode 0600: no other user can
    // open it at any moment, whatever it will hold.
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return failure("cannot create a temporary file in", folder, errno);

    auto fail = [&](std::string_view what) {
        const FileError e = failure(what, tmp, errno);
        ::unlink(tmp.c_str());
        return e;
    };

    if (!source([fd](std::string_view piece) { return writeAll(fd, piece); }))
        return closeKeepingErrno(fd), fail("cannot write");
    if (exists && (former.st_uid != ::geteuid() || former.st_gid != ::getegid())) {
        // Only root may give a file away; for anyone else the new file stays theirs.
        if (::fchown(fd, former.st_uid, former.st_gid) != 0 && errno != EPERM)
            return closeKeepingErrno(fd), fail("cannot set the owner of");
    }
    const mode_t newMode = mode ? *mode : exists ? (former.st_mode & 07777) : mode_t(0600);
    if (::fchmod(fd, newMode) != 0)
        return closeKeepingErrno(fd), fail("cannot set the permissions of");
    if (::fsync(fd) != 0)
        return closeKeepingErrno(fd), fail("cannot flush");
    if (::close(fd) != 0)
        return fail("cannot close");
    if (::rename(tmp.c_str(), dest.c_str()) != 0)
        return fail("cannot replace " + dest + " with");

    // The rename is durable only once the folder itself is synced.
    auto notSynced = [&](std::string_view what) {
        FileError e = failure(what, folder, errno);
        e.replaced = true;
        return e;
    };
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return notSynced("cannot open the folder");
    if (::fsync(dirFd) != 0 && errno != EINVAL)
        return closeKeepingErrno(dirFd), notSynced("cannot flush the folder");
    if (::close(dirFd) != 0)
        return notSynced("cannot close the folder");
    return std::nullopt;
}

FileResult saveWithBackup(const std::string& path, std::string_view data)
{
    return saveWithBackup(path, [data](const ByteSink& sink) { return sink(data); });
}

FileResult saveWithBackup(const std::string& path, const ByteSource& source)
{
    FileResult error;
    const std::string target = resolveLinks(path, error);
    if (error)
        return error;

    std::string former;
    bool missing = false;
    if (FileResult e = readWholeFile(target, former, &missing))
        return e;
    if (!missing) {
        struct stat st;
        if (::stat(target.c_str(), &st) != 0)
            return failure("cannot look up", target, errno);
        if (FileResult e = writeFileAtomically(path + ".bak", former, st.st_mode & 07777))
            return e;
    }
    return writeFileAtomically(path, source);
}

} // namespace wevel
