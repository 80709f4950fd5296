#include "tests/core/CoreTestOs.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace coretest {

bool LibraryIsLoaded(const std::string& path)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

std::optional<std::string> ToolsRoot()
{
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    return root ? std::optional<std::string>(root) : std::nullopt;
}

bool SetToolsRoot(const std::optional<std::string>& root)
{
    return root ? ::setenv("QUARTUS_ROOTDIR", root->c_str(), 1) == 0 : ::unsetenv("QUARTUS_ROOTDIR") == 0;
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint32_t budgetMs)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace coretest
