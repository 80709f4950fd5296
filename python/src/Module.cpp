// The extension module vx5h._vx5h: the board from Python, on the core the control panel
// and vx5h use. The package vx5h re-exports it.
#include "Bindings.h"
#include "Gil.h"
#include "Progress.h"

#include "core/CableList.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>

namespace py = pybind11;

namespace pyvx5h {

py::handle NamedTuple(py::module_& module, const char* name, const char* fields, const char* doc)
{
    py::object type = py::module_::import("collections").attr("namedtuple")(name, fields);
    type.attr("__module__") = "vx5h";
    type.attr("__doc__") = doc;
    module.attr(name) = type;
    return type;
}

std::uint32_t InRange(long long value, long long maximum, const char* name)
{
    if (value < 0 || value > maximum) {
        char text[160];
        std::snprintf(text, sizeof text, "%s: %lld is outside 0 to %lld (0x%llX)", name, value, maximum, maximum);
        throw py::value_error(text);
    }
    return static_cast<std::uint32_t>(value);
}

std::string TextOf(py::handle text, const char* name, bool nulAllowed)
{
    Py_ssize_t size = 0;
    if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size)) {
        std::string result(utf8, static_cast<std::size_t>(size));
        if (!nulAllowed && result.find('\0') != std::string::npos)
            throw py::value_error(std::string(name) + ": " + py::repr(text).cast<std::string>()
                + " holds a NUL character, which no name or text of the board holds");
        return result;
    }
    PyErr_Clear();
    const Py_ssize_t length = PyUnicode_GetLength(text.ptr());
    Py_ssize_t at = 0;
    while (at < length && !Py_UNICODE_IS_SURROGATE(PyUnicode_ReadChar(text.ptr(), at)))
        ++at;
    char why[64] = "it has no UTF-8 form";
    if (at < length)
        std::snprintf(why, sizeof why, "character %zd, U+%04X, is a lone surrogate", at + 1,
            static_cast<unsigned>(PyUnicode_ReadChar(text.ptr(), at)));
    throw py::value_error(std::string(name) + ": " + py::repr(text).cast<std::string>() + " is no text: " + why);
}

namespace {

// Ctrl-C ends the listing at once (jtagconfig may take its whole budget) and raises
// KeyboardInterrupt, rather than be swallowed by a list that looks whole.
std::vector<std::string> Boards()
{
    TInterruptWatch ctrlC;
    std::atomic<bool> stop{false};
    std::vector<std::string> cables;
    {
        const TGilRelease release;
        auto listing = std::async(std::launch::async, [&stop] { return cables::KnownCables(&stop); });
        // The interpreter's exit, too, ends it rather than wait it out.
        while (listing.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            if (ctrlC.Interrupted() || InterpreterExiting())
                stop = true;
        cables = listing.get();
    }
    ctrlC.RaiseIfInterrupted();
    return cables;
}

} // namespace

} // namespace pyvx5h

PYBIND11_MODULE(_vx5h, module)
{
    using namespace pyvx5h;
    module.doc() = "The VX5h-260 board from Python, on the core of the control panel and of vx5h.";
    // The classes are made under the package's name, so that help() and the signatures
    // say vx5h.Board rather than the extension's own name.
    const py::object ownName = module.attr("__name__");
    module.attr("__name__") = "vx5h";
    RememberMainThread();
    WatchInterpreterExit(module);
    // A script has no use for the bell that marks a garbled reply: it gets an exception.
    platform::SetBeepHandler([] {});
    AddErrors(module);

    py::class_<TSession, TSessionPtr> board(module, "Board",
        "A VX5h-260 board, connected while the object is open: a context manager that closes the link on leaving.\n\n"
        "Every exchange with the board releases the GIL, so that another thread (a second board, a GUI) runs "
        "meanwhile; two threads sharing one Board take turns. A failed exchange raises LinkError and closes the "
        "Board; a refusal by the board raises RefusedError and keeps it open.");
    AddBoard(module, board);
    AddMemory(module, board);
    AddChannels(module, board);
    AddSelfTest(module, board);
    AddConfigure(module);

    module.def("boards", &Boards,
        "The cables a board can be had on, by the names Board(cable=...) takes: 'sim' when the simulator lies in "
        "the program folder, then every cable the vendor's jtagconfig lists (with QUARTUS_ROOTDIR set to a full "
        "path; it gets 15 s). No board is asked.");
    module.def(
        "_set_program_folder", [](const std::string& folder) { platform::OverrideExecutableFolder(folder); },
        "Where the driver libraries, the FPGA image and the simulator lie (the package sets it at import).");
    module.attr("__version__") = VX5H_VERSION;
    module.attr("__name__") = ownName;
}
