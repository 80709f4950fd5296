#pragma once

// Preconditions that only a programming error can break. Unlike assert() they stay on
// in every build: the message names the expression and the source unit, then the
// program stops.
namespace ui {
[[noreturn]] void AssertionFailed(const char* expression, const char* unit, int line);
} // namespace ui

#define UI_CHECK(expr, unit)                                                                                           \
    do {                                                                                                               \
        if (!(expr))                                                                                                   \
            ::ui::AssertionFailed(#expr, unit, __LINE__);                                                              \
    } while (false)
