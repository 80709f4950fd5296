#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

// The failures of the module as C++ exceptions, so that code running without the GIL can
// raise them; pybind11 turns them into Python's exceptions once the GIL is back.
namespace pyvx5h {

// vx5h.LinkError: no board, the link broke, another program holds the board.
struct TLinkError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// vx5h.RefusedError: the board answered "no"; the link stays up.
struct TRefusedError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// OSError: a file the user named could not be read or written.
struct TFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Creates vx5h.Error, vx5h.LinkError and vx5h.RefusedError in `module` and teaches
// pybind11 the translations.
void AddErrors(pybind11::module_& module);

// vx5h.LinkError itself, for an error that carries more than a message.
pybind11::handle LinkErrorType();

// Raises what Python has pending (a KeyboardInterrupt from PyErr_CheckSignals). Needs
// the GIL.
[[noreturn]] void RaisePending();

} // namespace pyvx5h
