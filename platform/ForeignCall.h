#pragma once

#include <cstdint>
#include <type_traits>

// Calls into a library that another compiler built (the board maker's). On 32-bit Windows
// such an entry point either takes its arguments off the stack itself (stdcall) or leaves
// that to the caller (cdecl); its exported name need not say which, and calling one the
// wrong way leaves the stack pointer off by the arguments' size. So there the call goes
// through a small routine that keeps the stack pointer before the call and puts it back
// afterwards, whatever the callee did: both kinds work. Everywhere else there is one
// convention and the call is a plain one.
namespace platform {

#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
inline constexpr bool CALLS_KEEP_STACK = true;
#else
inline constexpr bool CALLS_KEEP_STACK = false;
#endif

namespace foreign {

// Pushes `count` 32-bit `words` (the first argument first in memory, as both conventions
// want it), calls `entry` and restores the stack pointer. The two names are one routine:
// an integer result comes back in EDX:EAX, a floating-point one on the x87 stack.
extern "C" std::uint64_t vx5h_CallKeepingStack(const void* entry, const std::uint32_t* words, std::uint32_t count);
extern "C" double vx5h_CallKeepingStackReal(const void* entry, const std::uint32_t* words, std::uint32_t count);

// An argument as the stack slot it occupies: pointers and integers of up to 32 bits, a
// byte widened as the caller widens it (the callee reads only its low bits).
template<typename T> std::uint32_t Word(T value)
{
    static_assert(sizeof(T) <= 4 && (std::is_integral_v<T> || std::is_pointer_v<T>),
        "only 32-bit integers and pointers are passed to the board maker's libraries");
    if constexpr (std::is_pointer_v<T>)
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    else
        return static_cast<std::uint32_t>(value);
}

} // namespace foreign

template<typename R, typename... P, typename... A> R CallForeign(R (*entry)(P...), A... args)
{
    static_assert(sizeof...(P) == sizeof...(A), "one argument per parameter");
    if constexpr (!CALLS_KEEP_STACK) {
        return entry(static_cast<P>(args)...);
    } else {
        const std::uint32_t words[] = {foreign::Word<P>(static_cast<P>(args))..., 0u};
        const void* target = reinterpret_cast<const void*>(entry);
        constexpr auto count = static_cast<std::uint32_t>(sizeof...(P));
        if constexpr (std::is_void_v<R>)
            foreign::vx5h_CallKeepingStack(target, words, count);
        else if constexpr (std::is_floating_point_v<R>)
            return static_cast<R>(foreign::vx5h_CallKeepingStackReal(target, words, count));
        else
            return static_cast<R>(foreign::vx5h_CallKeepingStack(target, words, count));
    }
}

} // namespace platform
