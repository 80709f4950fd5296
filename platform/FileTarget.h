#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>

// A file the user names for writing, looked at before anything is opened for writing:
// where its links lead, what kind of file is there, and what this user may do with it.
// Links are followed only where nobody else could have planted them, and the files are
// then opened without following any link, so that a link swapped in meanwhile is never
// written through.
namespace platform {

struct TFileTarget {
    enum class TKind {
        Missing,     // nothing there yet: a new file
        Regular,     // a regular file of an ordinary file system
        Special,     // a FIFO, a device, a folder, or one of the kernel's files (/proc, /sys)
        UnsafeLink,  // a link another user made in a folder others may write to
        Unreachable, // the path cannot be looked at; `error` says why
    };
    TKind kind = TKind::Missing;
    std::filesystem::path path; // the file at the end of the links (the link itself for UnsafeLink)
    bool writable = false;      // Regular: this user may write into the file
    bool replaceable = false;   // Regular: a new file made beside it may take its place
    std::filesystem::perms permissions = std::filesystem::perms::none; // Regular: its permissions
    int error = 0;              // Unreachable: the system's error number
};

TFileTarget InspectFileTarget(const std::filesystem::path& path);

// Makes the file `path`, which must not exist yet (a link there counts as existing), open
// for writing; nullptr with errno set on failure. Its permissions are what the umask
// leaves a new file, or, with `keep` (those of a file it is to replace), exactly `keep`
// from the start (as far as the umask lets a new file have them, then given back).
std::FILE* CreateNewFile(const std::filesystem::path& path, std::optional<std::filesystem::perms> keep);

// Opens the existing regular file `path` for writing from its start, emptied, without
// following a link and without making a file; nullptr with errno set when it is no longer
// a regular file of an ordinary file system.
std::FILE* RewriteExistingFile(const std::filesystem::path& path);

} // namespace platform
