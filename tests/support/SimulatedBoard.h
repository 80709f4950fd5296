#pragma once

#include <string>

namespace testsupport {

// A board simulator of the test's own: a `vx5h-board-sim --daemon` on a socket in a fresh
// temporary folder, announced to this process (and the drivers it loads) through
// VX5H_SIM_SOCKET. The simulator is told to quit when the object dies, so a failing test
// leaves no daemon behind. Tests of one process use one at a time.
class SimulatedBoard {
public:
    // `configured`: load the FPGA image through the download library at once, so that
    // the firmware answers (a fresh simulator's FPGA is unconfigured).
    explicit SimulatedBoard(bool configured = true);
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Runs `vx5h-board-sim ctl <args>` against this simulator and returns its stdout;
    // `ok` (optional) receives whether it exited with 0.
    std::string Ctl(const std::string& args, bool* ok = nullptr) const;

    // Loads the FPGA image the way the panel does (download library); true on success.
    bool Configure() const;

    const std::string& SocketPath() const { return m_Socket; }

    // The program folder of the build (program, drivers, image, simulator), with '/';
    // $VX5H_TEST_BIN_DIR names another one.
    static std::string BinFolder();

private:
    std::string m_Folder;
    std::string m_Socket;
};

// Runs a shell command and returns its stdout; `exitCode` (optional) its exit status.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);

} // namespace testsupport
