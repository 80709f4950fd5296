#pragma once

// An entry point a shared library offers by its plain (C) name, as the program that loads
// our driver libraries resolves it; everything else in them stays private.
#if defined(_WIN32)
#define VX5H_EXPORT extern "C" __declspec(dllexport)
#else
#define VX5H_EXPORT extern "C" __attribute__((visibility("default")))
#endif
