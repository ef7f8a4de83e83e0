#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fault {

// A private folder under $TMPDIR (or /tmp), removed with all it holds.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// A small tmpfs mounted on a folder, unmounted again by the destructor.
// mounted() is false where this process may not mount.
class SmallTmpfs {
public:
    SmallTmpfs(const std::string& where, std::size_t bytes);
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    std::string where_;
    bool mounted_ = false;
    std::string why_;
};

// Whole-file helpers; they throw on failure, so a test never compares
// against a read that went wrong.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view data);
bool exists(const std::string& path);

// Names in `folder` holding ".wevelrc" other than the script and its
// backup: the temporary files of a Save ("..wevelrc.XXXXXX" and
// "..wevelrc.bak.XXXXXX", a dot before the name they replace).
std::vector<std::string> saveTemporaries(const std::string& folder);

// Free bytes of the file system that holds `path`, as an unprivileged
// writer sees them.
unsigned long long freeBytes(const std::string& path);

// Fills the file system of `folder` with a file there until a write fails
// for want of room; returns the filler's path.
std::string fillFileSystem(const std::string& folder);

// "the seven lines" counting helper for messages.
std::size_t countLines(std::string_view text);

} // namespace fault
