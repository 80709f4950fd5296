#include "Errors.h"

namespace py = pybind11;

namespace pyvx5h {

namespace {

// Borrowed: the module holds the types for as long as the interpreter runs, and a
// borrowed handle has nothing to release after the interpreter is gone.
py::handle g_LinkError;
py::handle g_RefusedError;

py::handle NewError(py::module_& module, const char* name, const char* doc, py::handle base)
{
    const std::string qualified = std::string("vx5h.") + name;
    py::object type
        = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base.ptr(), nullptr));
    if (!type)
        throw py::error_already_set();
    module.attr(name) = type;
    return type;
}

} // namespace

void AddErrors(py::module_& module)
{
    const py::handle base
        = NewError(module, "Error", "The base of the errors vx5h raises about the board.", PyExc_Exception);
    g_LinkError = NewError(module, "LinkError",
        "No board, the link broke, or another program holds the board. The Board is closed afterwards; "
        "make a new one to connect again.",
        base);
    g_RefusedError = NewError(module, "RefusedError",
        "The board refused the command (it answered with a status other than success); the link stays up.", base);

    py::register_exception_translator([](std::exception_ptr pending) {
        try {
            if (pending)
                std::rethrow_exception(pending);
        } catch (const TLinkError& error) {
            PyErr_SetString(g_LinkError.ptr(), error.what());
        } catch (const TRefusedError& error) {
            PyErr_SetString(g_RefusedError.ptr(), error.what());
        } catch (const TFileError& error) {
            PyErr_SetString(PyExc_OSError, error.what());
        }
    });
}

py::handle LinkErrorType() { return g_LinkError; }

void RaisePending() { throw py::error_already_set(); }

} // namespace pyvx5h
