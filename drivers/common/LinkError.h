#pragma once

#include <cstdint>
#include <string>

namespace drivers {

// Why a cable could not be opened, as QELVANO_JtagLastError reports it.
enum class LinkError : std::int32_t {
    None = 0,
    NoCable = 1,
    InUse = 2,
    NoJtagUart = 3, // the cable is there, the FPGA holds no JTAG UART (not configured)
    ServerUnreachable = 4,
    Permission = 5,
    Other = 9,
};

struct Failure {
    LinkError code = LinkError::None;
    std::string text;

    explicit operator bool() const { return code != LinkError::None; }
};

// A cable's name as a message quotes it: in double quotes, with whatever would act on a
// terminal (escape sequences, line breaks) or is no UTF-8 escaped, since the name comes
// from the user.
std::string QuotedCable(const std::string& cable);

// Why a cable that this program has open already cannot be had again: two parts of one
// program interleaving frames on one byte stream would corrupt both.
Failure OpenInThisProgram();

// The vendor library's error code at open, with its detail text, as one of ours.
Failure FailureFromVendor(int vendorCode, const std::string& detail, const std::string& cable);

// Copies `text` into a caller's buffer of `size` bytes, always NUL-terminated.
void CopyText(const std::string& text, char* buffer, std::int32_t size);

} // namespace drivers
