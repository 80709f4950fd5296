#include "tests/core/CoreTestSupport.h"

#include <cstdlib>

namespace coretest {
namespace {

// Taken before any test points the program folder elsewhere. Found at run time rather
// than built in, so that the tests find their folders wherever the build tree is seen
// from (a cross-built test under wine sees it as a drive letter).
const std::string g_TestProgramFolder = platform::ExecutableFolder();

} // namespace

std::string TestFolder(const std::string& name) { return g_TestProgramFolder + name + platform::PathSeparator(); }

std::string FakeFolder(const std::string& name)
{
    const char* convention = std::getenv("CORE_FAKE_CONVENTION");
    return TestFolder(convention && *convention ? name + "-" + convention : name);
}

} // namespace coretest
