#include "ui/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace ui {

void AssertionFailed(const char* expression, const char* unit, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, unit %s, line %d\n", expression, unit, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace ui
