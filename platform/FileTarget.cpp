#include "FileTarget.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

// As many links as the system itself follows in one path.
constexpr int MAX_LINKS = 40;
constexpr mode_t PERMISSION_BITS = 0777;

// The kernel's own interfaces: their files say "regular" but are windows onto processes
// and devices (/proc/self/mem), never a place for a memory's content.
bool OnKernelFileSystem(const struct statfs& system)
{
    switch (static_cast<unsigned long>(system.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BINFMTFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

bool SharedFolder(const struct stat& folder) { return (folder.st_mode & (S_ISVTX | S_IWOTH)) != 0; }

// In a folder that others may write to (or whose sticky bit says it is shared, as /tmp),
// a link of another user's may lead anywhere that user chose: to the victim's own files.
bool MayFollow(const fs::path& link, const struct stat& linkStatus)
{
    struct stat folder { };
    if (::stat(FolderOf(link).c_str(), &folder) != 0)
        return false;
    return !SharedFolder(folder) || linkStatus.st_uid == ::geteuid();
}

// A new file made in the folder can be renamed over `file`: the folder takes new names,
// and its sticky bit (if set) lets this user remove the name.
bool Replaceable(const fs::path& file, const struct stat& fileStatus)
{
    const fs::path folderPath = FolderOf(file);
    struct stat folder { };
    if (::stat(folderPath.c_str(), &folder) != 0 || ::faccessat(AT_FDCWD, folderPath.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    const uid_t user = ::geteuid();
    return !(folder.st_mode & S_ISVTX) || user == 0 || fileStatus.st_uid == user || folder.st_uid == user;
}

TFileTarget Unreachable(const fs::path& path, int error)
{
    TFileTarget target;
    target.kind = TFileTarget::TKind::Unreachable;
    target.path = path;
    target.error = error;
    return target;
}

} // namespace

TFileTarget InspectFileTarget(const fs::path& path)
{
    TFileTarget target;
    fs::path current = path;
    struct stat status { };
    for (int links = 0;; ++links) {
        if (::lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT)
                return Unreachable(current, errno);
            target.path = current;
            return target; // Missing: a new file, made where the last link points
        }
        if (!S_ISLNK(status.st_mode))
            break;
        if (links == MAX_LINKS)
            return Unreachable(path, ELOOP);
        if (!MayFollow(current, status)) {
            target.kind = TFileTarget::TKind::UnsafeLink;
            target.path = current;
            return target;
        }
        std::error_code error;
        const fs::path next = fs::read_symlink(current, error);
        if (error)
            return Unreachable(current, error.value());
        current = next.is_absolute() ? next : FolderOf(current) / next;
    }
    target.path = current;
    struct statfs system { };
    if (!S_ISREG(status.st_mode) || (::statfs(current.c_str(), &system) == 0 && OnKernelFileSystem(system))) {
        target.kind = TFileTarget::TKind::Special;
        return target;
    }
    target.kind = TFileTarget::TKind::Regular;
    target.permissions = static_cast<fs::perms>(status.st_mode & PERMISSION_BITS);
    target.writable = ::faccessat(AT_FDCWD, current.c_str(), W_OK, AT_EACCESS) == 0;
    target.replaceable = Replaceable(current, status);
    return target;
}

std::FILE* CreateNewFile(const fs::path& path, std::optional<fs::perms> keep)
{
    // What fopen gives a new file; the umask takes its bits from it.
    constexpr mode_t NEW_FILE_MODE = 0666;
    const mode_t mode = keep ? static_cast<mode_t>(*keep) & PERMISSION_BITS : NEW_FILE_MODE;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return nullptr;
    // The umask may have taken bits the file it replaces had; give back exactly those, and
    // nothing a new file's umask took.
    struct stat status { };
    if (keep && ::fstat(fd, &status) == 0 && (status.st_mode & PERMISSION_BITS) != mode)
        ::fchmod(fd, mode);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

std::FILE* RewriteExistingFile(const fs::path& path)
{
    // Non-blocking, so that a FIFO put there meanwhile cannot hold the open.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status { };
    struct statfs system { };
    int error = 0;
    if (::fstat(fd, &status) != 0 || ::fstatfs(fd, &system) != 0)
        error = errno;
    else if (!S_ISREG(status.st_mode) || OnKernelFileSystem(system))
        error = EINVAL;
    else if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, 0) != 0)
        error = errno;
    std::FILE* file = error ? nullptr : ::fdopen(fd, "wb");
    if (!file) {
        error = error ? error : errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

} // namespace platform
