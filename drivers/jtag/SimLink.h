#pragma once

#include "drivers/common/LinkError.h"
#include "drivers/jtag/Link.h"

#include <memory>
#include <mutex>

namespace drivers {

// Why the simulator did not give us its cable, from its answer to our hello and, for a
// cable that is taken, who holds it (empty when the simulator does not say). The download
// library says so too of a cable taken when it would configure the FPGA.
Failure SimulatorRefusal(char answer, const std::string& holder = {});
// A board the simulator's lab does not have is a cable that is not there.
Failure NoSuchBoard(int board);

// A simulated board's cable: its byte stream over the simulator's Unix socket (board k of
// a lab over that board's own socket; on Windows over the board's named pipe,
// SimLinkPipe.cpp, whose Open returns a link of its own). The simulator is started on
// demand, as a JTAG server daemon would be, from the folder this library was loaded from.
class SimLink : public Link {
public:
    static std::unique_ptr<Link> Open(int board, Failure& failure);
    ~SimLink() override;

    std::int32_t Read(std::uint8_t* dest, std::int32_t count) override;
    bool Write(const std::uint8_t* bytes, std::int32_t count) override;
    std::string Description() const override;

private:
    SimLink(int socket, int board);

    std::mutex lock_;
    int fd_;
    int board_;
    bool broken_ = false; // the simulator went away or the cable was pulled
    // Reads come out of a buffer that one non-blocking receive fills as far as it can,
    // so that the caller's byte-by-byte reads do not cost a system call each.
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t begin_ = 0, end_ = 0;
};

} // namespace drivers
