#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Makes (or empties) a file that only this user can read, for what the user hands to
// somebody on purpose, such as a transcript of the board's link. Refused, with the reason
// in `error`: an empty name, a path that is a symbolic link (it could point anywhere,
// into another user's file too), a file that is not regular, belongs to another user or
// has other names (hard links: emptying it would empty another file), and a folder that
// belongs to another user or that others may rearrange (writable by anybody, or by a
// group that is not the user's own, without the sticky bit), or lies below such a folder
// or another user's symbolic link, where somebody else could swap the file under us; and
// a file another recording holds (it stays locked while the returned file is open).
// nullptr when refused.
std::FILE* CreatePrivateFile(const std::string& path, std::string& error);

// The system's name and machine for a report ("Linux 6.1.0 x86_64").
std::string SystemDescription();

// Makes a new folder of this user's in the temp folder, named `prefix` and something
// unique, whose full path holds none of the characters in `avoid`; its path, or empty
// when no such folder could be made.
std::string MakeTemporaryFolder(const std::string& prefix, const std::string& avoid);

} // namespace platform
