#pragma once

#include <array>
#include <cstdint>
#include <string>

// The HSMC loopback test's verdict and its report of failing connector pins: plain
// functions over the two failure masks.
namespace hsmc {

constexpr int IO_PAIRS = 41;
constexpr int XCVR_GROUPS_WITH_PINS = 4;

// Bit i of the IO failure mask = the pair starting at this HSMC pin (and the next pin).
extern const std::array<int, IO_PAIRS> HSMC_IO_PIN_TABLE;

// "HSMC Test:NG" then a transceiver part and an IO part for the masks' set bits, every
// line ending in four blanks, CR and LF. Bits above the known pairs name no pin.
std::string Report(std::uint32_t xcvrMask, std::uint64_t ioMask);

// The report for a terminal or a script: lines end in a bare line feed, without the
// blanks and carriage returns the window's box wants.
std::string PlainLines(const std::string& report);

struct TVerdict {
    std::string infoText;
    bool passed = false;    // the information and the result read as success (else failure)
    std::string errorBox;   // empty: none
    std::string reportBox;  // empty: none (information box with the pin report)
    std::string resultText; // "PASS", "NG" or empty
    bool linkFailure = false;
};

// `exchanged`: the request and its reply went through the link; `accepted`: the board's
// status was 0; the masks are those of an accepted test.
TVerdict Verdict(bool exchanged, bool accepted, std::uint32_t xcvrMask, std::uint64_t ioMask);

} // namespace hsmc
