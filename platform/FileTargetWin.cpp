#include "FileTarget.h"

#include "platform/Paths.h"

#include <cerrno>
#include <system_error>

// Windows keeps no owner on a link that a folder's mode could make suspect, nor files of
// the kernel among the user's; what is left is where the links lead and the read-only
// attribute, which also keeps a file from being replaced.
namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINKS = 40;

} // namespace

TFileTarget InspectFileTarget(const fs::path& path)
{
    TFileTarget target;
    fs::path current = path;
    std::error_code error;
    for (int links = 0; fs::is_symlink(fs::symlink_status(current, error)); ++links) {
        const fs::path next = fs::read_symlink(current, error);
        if (error || links == MAX_LINKS) {
            target.kind = TFileTarget::TKind::Unreachable;
            target.error = error ? error.value() : ELOOP;
            target.path = path;
            return target;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    target.path = current;
    const fs::file_status status = fs::status(current, error);
    if (!fs::exists(status))
        return target;
    if (!fs::is_regular_file(status)) {
        target.kind = TFileTarget::TKind::Special;
        return target;
    }
    target.kind = TFileTarget::TKind::Regular;
    target.permissions = status.permissions();
    target.writable = (status.permissions() & fs::perms::owner_write) != fs::perms::none;
    target.replaceable = target.writable;
    return target;
}

std::FILE* CreateNewFile(const fs::path& path, std::optional<fs::perms>) { return OpenFile(path, "wbx"); }

std::FILE* RewriteExistingFile(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error))) {
        errno = EINVAL;
        return nullptr;
    }
    return OpenFile(path, "wb");
}

} // namespace platform
