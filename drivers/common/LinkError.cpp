#include "drivers/common/LinkError.h"

#include "core/TraceText.h"
#include "drivers/common/VendorApi.h"

#include <algorithm>
#include <cstring>

namespace drivers {

namespace {

std::string Named(const std::string& cable) { return cable.empty() ? "the cable" : "cable " + QuotedCable(cable); }

std::string WithDetail(std::string text, const std::string& detail)
{
    return detail.empty() ? text : text + " (" + detail + ")";
}

} // namespace

std::string QuotedCable(const std::string& cable) { return "\"" + trace::PrintableText(cable) + "\""; }

Failure OpenInThisProgram()
{
    return {LinkError::InUse,
        "The board is in use: this program has its cable open already (a cable carries one link at a time)"};
}

Failure FailureFromVendor(int vendorCode, const std::string& detail, const std::string& cable)
{
    using namespace vendorapi;
    // The server says so in its own words when a port is not ours to open.
    if (detail.find("ermission") != std::string::npos)
        return {LinkError::Permission,
            WithDetail("No permission to use " + Named(cable) + "; is the udev rule installed?", detail)};
    switch (vendorCode) {
    case CABLE_NOT_EXISTING:
    case CABLE_NOT_CONNECTED:
        return {LinkError::NoCable, WithDetail("No JTAG cable found: " + Named(cable) + " is not connected", detail)};
    case IN_USE:
        return {LinkError::InUse,
            "The board is in use by another program" + (detail.empty() ? std::string() : ": " + detail)};
    case NODE_NOT_EXISTING:
        return {LinkError::NoJtagUart,
            WithDetail(Named(cable) + " finds no JTAG UART: the FPGA is not configured", detail)};
    case BOARD_NOT_CONNECTED:
        return {LinkError::Other, WithDetail(Named(cable) + " is not connected to a powered board", detail)};
    case LINK_BROKEN:
        return {LinkError::ServerUnreachable, WithDetail("The JTAG server (jtagd) is not reachable", detail)};
    case CABLE_NOT_UNIQUE:
        return {LinkError::Other, WithDetail("Several cables match; name one of them as jtagconfig lists it", detail)};
    case NODE_NOT_UNIQUE:
        return {LinkError::Other, WithDetail("Several JTAG UARTs on " + Named(cable), detail)};
    default:
        return {LinkError::Other,
            WithDetail(
                "The JTAG server refused " + Named(cable) + " (error " + std::to_string(vendorCode) + ")", detail)};
    }
}

void CopyText(const std::string& text, char* buffer, std::int32_t size)
{
    if (!buffer || size <= 0)
        return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

} // namespace drivers
