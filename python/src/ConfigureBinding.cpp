// vx5h.configure: the FPGA configured with an image of the caller's choosing, as
// `vx5h configure` does, for a face that loads the image itself before it connects
// (labgrid's bootstrap driver). Board() configures only a board that does not answer,
// and only with the program folder's image.
#include "Bindings.h"
#include "Memory.h"
#include "Progress.h"

#include "core/ConnectSequence.h"
#include "core/Connection.h"

#include <pybind11/stl.h>

#include <filesystem>
#include <optional>

namespace py = pybind11;

namespace pyvx5h {

namespace {

double Configure(const std::optional<std::filesystem::path>& image, const std::optional<py::str>& cableName)
{
    const std::string cable = cableName ? TextOf(*cableName, "cable") : std::string();
    const std::string path = image ? AbsolutePath(*image).string() : connection::DefaultImagePath();
    // Ctrl-C ends the programmer, or the load, at once rather than after its whole budget.
    TInterruptWatch ctrlC;
    connection::TConfigureOutcome outcome;
    {
        const TGilRelease release;
        outcome = connection::ConfigureFpga(cable, path, {}, {}, [&] { return ctrlC.Interrupted(); });
    }
    ctrlC.RaiseIfInterrupted();
    switch (outcome.failure) {
    case connection::TConnectFailure::None:
        return outcome.elapsedMs / 1000.0;
    case connection::TConnectFailure::NoImage:
        throw TFileError(outcome.message);
    case connection::TConnectFailure::BadImage:
        throw py::value_error(outcome.message);
    default:
        throw TLinkError(outcome.message);
    }
}

} // namespace

void AddConfigure(py::module_& module)
{
    module.def("configure", &Configure, py::arg("image") = py::none(), py::arg("cable") = py::none(),
        "Configures the FPGA of a board with a configuration image, as vx5h configure does, and returns the "
        "seconds it took; no board is asked and no link stays open.\n\n"
        "image: a .sof file (the program folder's VX5h_260_ControlPanel.sof when None). cable: as Board() takes "
        "it; None picks the board as VX5H_CABLE does. Close a Board on the same cable first: a cable that this "
        "process or another program holds is refused (LinkError, 'in use') and the board stays as it was.\n"
        "Raises OSError for an image that cannot be read, ValueError for one the board does not take, LinkError "
        "when the programmer or the cable failed (within the download library's budget), KeyboardInterrupt on "
        "Ctrl-C (the FPGA may then hold no design). Releases the GIL.");
}

} // namespace pyvx5h
