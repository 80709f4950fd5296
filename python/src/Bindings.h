#pragma once

#include "Arguments.h"
#include "Session.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

// The module's parts, each adding its classes and functions to the module.
namespace pyvx5h {

using TSessionPtr = std::shared_ptr<TSession>;

void AddBoard(pybind11::module_& module, pybind11::class_<TSession, TSessionPtr>& board);
void AddMemory(pybind11::module_& module, pybind11::class_<TSession, TSessionPtr>& board);
void AddChannels(pybind11::module_& module, pybind11::class_<TSession, TSessionPtr>& board);
void AddSelfTest(pybind11::module_& module, pybind11::class_<TSession, TSessionPtr>& board);
void AddConfigure(pybind11::module_& module);

// A named tuple type made in the module (collections.namedtuple), borrowed from it.
pybind11::handle NamedTuple(pybind11::module_& module, const char* name, const char* fields, const char* doc);

// An integer argument checked against its range, with a message that names it.
std::uint32_t InRange(long long value, long long maximum, const char* name);

// A str argument as UTF-8; ValueError, naming the argument, for one that holds a lone
// surrogate, which is no text (Python makes them of bytes that are not UTF-8, in file
// names and the like), or a NUL, which no name or text of the board holds and which
// would cut it short (`nulAllowed`: data, where a NUL is one more byte).
std::string TextOf(pybind11::handle text, const char* name, bool nulAllowed = false);

} // namespace pyvx5h
