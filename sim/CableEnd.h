#pragma once

#include "sim/Endpoint.h"
#include "sim/SimBoard.h"

#include <cstddef>
#include <cstdint>

namespace sim {

// Far more than a panel, its tests and a few scripts open at once, and far fewer than
// the files (or threads) a process may hold.
constexpr std::size_t MAX_CONNECTIONS = 64;
// What the PC may have sent down a (throttled) cable that the board has not taken yet;
// beyond it the cable stops taking bytes, as a real one does.
constexpr std::size_t MAX_INBOUND_BYTES = 4 * 1024 * 1024;

// What the server's cable reaches: the simulated board, or a transcript replayed as the
// board.
class ICableEnd {
public:
    virtual ~ICableEnd() = default;
    // A client asks for the cable: 0 to give it, else the refusal (JTAG_NO_UART, ...).
    virtual char OpenCable() = 0;
    // The client's link ended, whoever ended it.
    virtual void CloseCable() = 0;
    // False breaks an open link, as when the FPGA is cleared or the cable pulled.
    virtual bool CableUsable() const = 0;
    virtual void Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs) = 0;
    virtual void Advance(std::uint64_t nowUs) = 0;
    virtual std::size_t Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity) = 0;
    virtual std::uint64_t NextEventUs() const = 0;
};

// The simulated board at the end of the cable.
class TSimCableEnd final : public ICableEnd {
public:
    explicit TSimCableEnd(TSimBoard& board)
        : board_(board)
    { }
    char OpenCable() override
    {
        if (!board_.HasJtagUart())
            return JTAG_NO_UART;
        board_.ResetLink();
        return 0;
    }
    void CloseCable() override { board_.ResetLink(); }
    bool CableUsable() const override { return board_.HasJtagUart(); }
    void Receive(const std::uint8_t* data, std::size_t count, std::uint64_t nowUs) override
    {
        board_.Receive(data, count, nowUs);
    }
    void Advance(std::uint64_t nowUs) override { board_.Advance(nowUs); }
    std::size_t Transmit(std::uint64_t nowUs, std::uint8_t* dest, std::size_t capacity) override
    {
        return board_.Transmit(nowUs, dest, capacity);
    }
    std::uint64_t NextEventUs() const override { return board_.NextEventUs(); }

private:
    TSimBoard& board_;
};

} // namespace sim
