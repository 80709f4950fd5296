#pragma once

#include <string>
#include <vector>

namespace drivers {

// Runs a program from its argument vector (no shell: any file name is safe) to its end
// within `timeoutMs`; its exit code (-1 on failure or when it ran out of time, then it
// and whatever it started are killed) and what it printed on either output.
int RunProgram(const std::vector<std::string>& args, std::string& output, int timeoutMs);

} // namespace drivers
