#include "PrivateFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {
namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A group nobody but this user is in: the user's own group, as systems that give every
// user a group of the same name make it (and root's).
bool GroupIsOwn(gid_t group)
{
    if (group != ::getgid())
        return false;
    std::string buffer(16384, '\0');
    passwd user{};
    passwd* userFound = nullptr;
    ::group entry{};
    ::group* groupFound = nullptr;
    if (::getpwuid_r(::getuid(), &user, buffer.data(), buffer.size() / 2, &userFound) != 0 || !userFound
        || ::getgrgid_r(group, &entry, buffer.data() + buffer.size() / 2, buffer.size() / 2, &groupFound) != 0
        || !groupFound || std::strcmp(entry.gr_name, user.pw_name) != 0)
        return false;
    for (char** member = entry.gr_mem; member && *member; ++member)
        if (std::strcmp(*member, user.pw_name) != 0)
            return false;
    return true;
}

// `folder` (`what` says which it is: "its folder", "a folder above it") may be changed by
// nobody but this user and root.
bool OneFolderIsSafe(const std::string& folder, const std::string& what, std::string& error)
{
    struct stat st { };
    if (::stat(folder.c_str(), &st) != 0) {
        error = "cannot reach " + what + " " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (st.st_uid != ::getuid() && st.st_uid != 0) {
        error = what + " " + folder + " belongs to another user";
        return false;
    }
    if ((st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX)) {
        error = "anybody may rename or replace what is in " + what + " " + folder;
        return false;
    }
    if ((st.st_mode & S_IWGRP) && !(st.st_mode & S_ISVTX) && !GroupIsOwn(st.st_gid)) {
        error = "others of its group may rename or replace what is in " + what + " " + folder;
        return false;
    }
    return true;
}

// A symbolic link on the way as the name was typed, owned by another user: that user may
// point it elsewhere at any time. Empty when there is none.
std::string ForeignLinkOnTheWay(const std::filesystem::path& typed)
{
    for (std::filesystem::path at = typed; !at.empty(); at = at.parent_path()) {
        struct stat st { };
        if (::lstat(at.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && st.st_uid != ::getuid() && st.st_uid != 0)
            return at.string();
        if (at == at.root_path())
            break;
    }
    return {};
}

// The folder and every folder above it: whoever may replace a folder on the way may put
// a file of their own where ours was meant to go. The links of the name as typed are
// checked as links, the folders where they lead as folders.
bool FolderIsSafe(const std::string& folder, std::string& error)
{
    if (!OneFolderIsSafe(folder, "its folder", error))
        return false;
    std::error_code failed;
    const std::filesystem::path typed = std::filesystem::absolute(folder, failed);
    const std::filesystem::path real = failed ? typed : std::filesystem::canonical(folder, failed);
    if (failed) {
        error = "cannot reach its folder " + folder + ": " + failed.message();
        return false;
    }
    if (const std::string link = ForeignLinkOnTheWay(typed); !link.empty()) {
        error = "its way goes through " + link + ", a symbolic link of another user";
        return false;
    }
    for (std::filesystem::path above = real.parent_path(); !above.empty(); above = above.parent_path()) {
        if (!OneFolderIsSafe(above.string(), "a folder above it,", error))
            return false;
        if (above == above.root_path())
            break;
    }
    return true;
}

} // namespace

std::FILE* CreatePrivateFile(const std::string& path, std::string& error)
{
    if (path.empty()) {
        error = "no file name";
        return nullptr;
    }
    if (!FolderIsSafe(FolderOf(path), error))
        return nullptr;
    // Not O_TRUNC: a file that turns out not to be ours must stay as it was. O_NONBLOCK:
    // a FIFO must not hold us until somebody reads it.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        error = errno == ELOOP ? std::string("it is a symbolic link") : std::strerror(errno);
        return nullptr;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        error = "not a regular file";
    else if (st.st_uid != ::getuid())
        error = "the file belongs to another user";
    else if (st.st_nlink > 1)
        // Emptying it would empty the file of every other name it has.
        error = "the file has " + std::to_string(st.st_nlink)
            + " names (hard links): emptying it would empty another file";
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        // Held while its recorder writes: a second recorder would empty the file under it.
        error = errno == EWOULDBLOCK ? std::string("another recording is being written into it") : std::strerror(errno);
    else if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, 0600) != 0)
        error = std::strerror(errno);
    std::FILE* file = error.empty() ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (error.empty())
            error = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

std::string SystemDescription()
{
    struct utsname names { };
    if (::uname(&names) != 0)
        return "unknown";
    return std::string(names.sysname) + " " + names.release + " " + names.machine;
}

std::string MakeTemporaryFolder(const std::string& prefix, const std::string& avoid)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    if (pattern.find_first_of(avoid) != std::string::npos)
        pattern = "/tmp/" + prefix + "XXXXXX";
    if (pattern.find_first_of(avoid) != std::string::npos || !::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

} // namespace platform
