#pragma once

#include <optional>
#include <string>

namespace platform {

// The user's own folder for sockets and lock files, with a trailing separator, made when
// missing: "vx5h" in the session's runtime folder ($XDG_RUNTIME_DIR) when that belongs to
// the user, else "vx5h-<uid>" in the temp folder ($TMPDIR, else /tmp). Whatever listens or
// is locked there can be trusted only if no other user could have put it there, so the
// folder must be a real folder (not a symbolic link) owned by the user with no access for
// anybody else, in a parent that others cannot rearrange. Otherwise there is no answer
// and `error` says why; nothing falls back to a place that was not checked.
std::optional<std::string> PrivateRuntimeFolder(std::string& error);

// Makes `folder` (no trailing separator) if it is missing and checks it as above.
bool MakePrivateFolder(const std::string& folder, std::string& error);

// Checks the existing `folder` (a full path, no trailing separator) as above: for a place
// the user named, such as the folder of a socket given on the command line.
bool CheckPrivateFolder(const std::string& folder, std::string& error);

} // namespace platform
