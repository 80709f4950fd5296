#include "RuntimeFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string Octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string NotYours(const std::string& folder, uid_t owner)
{
    return folder + " belongs to user id " + std::to_string(owner) + ", not to this user (id "
        + std::to_string(::geteuid()) + "); remove it, or point XDG_RUNTIME_DIR at a folder of your own";
}

// A parent that others may write to must be sticky (as /tmp is), or another user could
// rename our folder away and put one of theirs in its place after we checked it.
bool ParentIsSafe(const std::string& folder, std::string& error)
{
    const auto slash = folder.find_last_of('/');
    const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
    struct stat st { };
    if (slash == std::string::npos || ::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "the folder for " + folder + " does not exist";
        return false;
    }
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) {
        error = NotYours(parent, st.st_uid);
        return false;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX)) {
        error = parent + " (mode " + Octal(st.st_mode) + ") can be changed by other users and is not sticky";
        return false;
    }
    return true;
}

bool CheckOpened(const std::string& folder, int fd, bool created, std::string& error)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        error = NotYours(folder, st.st_uid);
        return false;
    }
    // A folder we have just made may have lost bits to the umask; one found may be open.
    if (created && ::fchmod(fd, 0700) == 0)
        return true;
    if ((st.st_mode & 0777) != 0700) {
        error = folder + " has mode " + Octal(st.st_mode) + "; it must be 0700 (only its owner may use it)";
        return false;
    }
    return true;
}

bool OwnRuntimeDirectory(const char* folder)
{
    struct stat st { };
    return folder && folder[0] == '/' && ::stat(folder, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

std::string WithoutTrailingSlashes(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// Opens `folder` (never through a link) and checks it; `created`: this process made it.
bool CheckFolder(const std::string& folder, bool created, std::string& error)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int openError = errno;
        struct stat st { };
        if (::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            error = folder + " is a symbolic link";
        else if (openError == ENOTDIR)
            error = folder + " is not a folder";
        else
            error = "cannot open " + folder + ": " + std::strerror(openError);
        return false;
    }
    const bool ok = CheckOpened(folder, fd, created, error);
    ::close(fd);
    return ok;
}

} // namespace

bool MakePrivateFolder(const std::string& folder, std::string& error)
{
    if (!ParentIsSafe(folder, error))
        return false;
    const bool created = ::mkdir(folder.c_str(), 0700) == 0;
    if (!created && errno != EEXIST) {
        error = "cannot make " + folder + ": " + std::strerror(errno);
        return false;
    }
    return CheckFolder(folder, created, error);
}

bool CheckPrivateFolder(const std::string& folder, std::string& error)
{
    return ParentIsSafe(folder, error) && CheckFolder(folder, false, error);
}

std::optional<std::string> PrivateRuntimeFolder(std::string& error)
{
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); OwnRuntimeDirectory(runtime)) {
        folder = WithoutTrailingSlashes(runtime) + "/vx5h";
    } else {
        const char* temp = std::getenv("TMPDIR");
        const std::string base = temp && temp[0] == '/' ? WithoutTrailingSlashes(temp) : "/tmp";
        folder = (base == "/" ? "" : base) + "/vx5h-" + std::to_string(::geteuid());
    }
    if (!MakePrivateFolder(folder, error))
        return std::nullopt;
    return folder + "/";
}

} // namespace platform
