#pragma once

// Starting the program under measurement as its user would, with its chatter sent nowhere
// so that printing costs no time in the figures.
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <unistd.h> // environ
#include <vector>

namespace bench {

// Starts `args` (the program's path first) with its standard output, and its errors too
// unless `keepErrors`, going to /dev/null; its process id, or -1.
inline pid_t StartQuiet(std::vector<std::string> args, bool keepErrors = false)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!keepErrors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started ? pid : -1;
}

} // namespace bench
