#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The board that the stand-ins of the board maker's two libraries reach, for the tests of
// the Windows program under wine. Its FPGA's configuration is a file, the image last
// loaded, so that it outlives either library and the program as a powered board does;
// the firmware model runs inside the JTAG library while a link is open, and after every
// request the board's state is written to state.json for the test to read. The folder is
// %VX5H_STANDIN_BOARD%, else vx5h-standin-board in the temp folder.
namespace standin {

// Checks the image at `path` (narrow text, as the program passes it) and keeps it as
// the FPGA's configuration; false with `why` when the board refuses it.
bool ConfigureFpga(const char* path, std::string& why);

// The image the FPGA holds; empty while it is unconfigured.
std::vector<std::uint8_t> ConfiguredImage();

// Replaces state.json with `json`; a reader never sees half a file.
void WriteState(const std::string& json);

} // namespace standin
