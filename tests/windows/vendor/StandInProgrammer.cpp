// Stand-in for the vendor's quartus_pgm.exe: records the arguments as the C runtime split
// its command line, one a line, in the file STANDIN_PGM_LOG names, then answers as the
// real one does. STANDIN_PGM_HANG=1 makes it start a child of its own, record the child's
// process id ("child N"), and wait forever with it, as a programmer stuck on a cable does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Record(int argc, char** argv)
{
    const char* log = std::getenv("STANDIN_PGM_LOG");
    std::FILE* file = log ? std::fopen(log, "ab") : nullptr;
    if (!file)
        return;
    for (int i = 1; i < argc; ++i)
        std::fprintf(file, "%s\n", argv[i]);
    std::fprintf(file, "--\n");
    std::fclose(file);
}

void HangWithAChild()
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" --child";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (::CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        if (const char* log = std::getenv("STANDIN_PGM_LOG"))
            if (std::FILE* file = std::fopen(log, "ab")) {
                std::fprintf(file, "child %lu\n", child.dwProcessId);
                std::fclose(file);
            }
    }
    ::Sleep(INFINITE);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--child") == 0) {
        ::Sleep(INFINITE);
        return 0;
    }
    Record(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Quartus II 64-Bit Programmer\nVersion 13.0.1 Build 232 06/12/2013 Service Pack 1 SJ Web Edition");
        return 0;
    }
    const char* hang = std::getenv("STANDIN_PGM_HANG");
    if (hang && std::strcmp(hang, "1") == 0)
        HangWithAChild();
    std::puts("Info (209011): Successfully performed operation(s)");
    return 0;
}
