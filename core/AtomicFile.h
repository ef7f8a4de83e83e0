#pragma once

#include "ByteSink.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace wevel {

// The outcome of a file operation: empty on success, else what failed and
// the system's reason, e.g. "cannot write /home/a/.wevelrc.Xy12ab: File too large".
struct FileError {
    std::string message;
    // The file was replaced after all; only making that last through a
    // crash failed (the folder could not be synced).
    bool replaced = false;
};
using FileResult = std::optional<FileError>;

// A leading "~" replaced by the current user's home folder ($HOME, or the
// password database when it is unset); the rest of the path unchanged.
std::string expandTilde(std::string_view path);

// Writes all of `data` to `fd`, going on after partial writes and
// interruptions. False, with errno set, on failure.
bool writeAll(int fd, std::string_view data);

// Follows symbolic links from `path` to the file they finally name (which
// may not exist yet). A path that is no link is returned unchanged.
std::string resolveLinks(const std::string& path, FileResult& error);

// Reads a whole regular file. A missing file is reported through `missing`,
// with no error; anything else (a folder, a pipe, a device) is an error, so
// that neither a pipe nor an endless device can stall or exhaust the reader.
FileResult readWholeFile(const std::string& path, std::string& contents, bool* missing = nullptr);

// Replaces the file at `path` (or the file its links name) with what
// `source` gives, so that it holds either its former content or all of the
// new one, never a part:
// a private temporary file beside it, written whole and synced, renamed over
// it, then the folder synced. The file gets `mode` when given, else its
// former mode, owner and group, or 0600 when new. On failure nothing is left
// behind and the former file is untouched, except when only the final
// sync of the folder fails: the error then says the file was replaced.
FileResult writeFileAtomically(const std::string& path, const ByteSource& source,
                               std::optional<mode_t> mode = std::nullopt);
FileResult writeFileAtomically(const std::string& path, std::string_view data,
                               std::optional<mode_t> mode = std::nullopt);

// Saves a startup script: keeps the former content, if any, as `path` +
// ".bak" with the former mode, then replaces the script. Both steps are
// atomic; when the backup fails the script is not touched.
FileResult saveWithBackup(const std::string& path, const ByteSource& source);
FileResult saveWithBackup(const std::string& path, std::string_view data);

} // namespace wevel
