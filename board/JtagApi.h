#pragma once

#include <cstdint>

// The five entry points of the JTAG library "QELVANO_JTAG.DLL". The program resolves them
// by name at run time; our own driver library exports exactly these, with C linkage.
//
// Open:    link handle for the cable, 0 when the cable or board could not be opened. The
//          cable name is a NUL-terminated text, never null (empty when unnamed).
// Close:   ends the link.
// Write:   sends all `count` bytes; non-zero on success, 0 on failure.
// Read:    delivers what is pending, 0 .. `count` bytes, without waiting for the rest.
// GetInfo: fills the caller's link information record (JTAG_INFO_RECORD_LEN bytes);
//          non-zero when filled. The record holds a NUL-terminated description text at
//          offset JTAG_INFO_DESCRIPTION_OFFSET, ending inside the record: the cable's own
//          name for a real cable ("USB-Blaster [1-1]"), a text with "simulator" in it for
//          the simulated one. At JTAG_INFO_DEVICE_OFFSET: the UART's device and instance on
//          the cable's chain, two 32-bit integers in the machine's byte order.
// LastError (optional; the board maker's own library lacks it): why the last open failed,
//          one of the JTAG_ERROR_* codes; `text` (`size` bytes) gets a NUL-terminated
//          reason for a person.
extern "C" {
typedef std::uint32_t (*QELVANO_JtagOpen_t)(std::int32_t cableIndex, const char* cableName);
typedef void (*QELVANO_JtagClose_t)(std::uint32_t link);
typedef std::int32_t (*QELVANO_JtagWrite_t)(std::uint32_t link, const std::uint8_t* bytes, std::int32_t count);
typedef std::int32_t (*QELVANO_JtagRead_t)(std::uint32_t link, std::uint8_t* dest, std::int32_t count);
typedef std::int32_t (*QELVANO_JtagGetInfo_t)(std::uint32_t link, std::uint8_t* record);
typedef std::int32_t (*QELVANO_JtagLastError_t)(char* text, std::int32_t size);
}

namespace jtagapi {

constexpr const char* LIBRARY_NAME = "QELVANO_JTAG.DLL";

constexpr const char* OPEN_NAME = "QELVANO_JtagOpen";
constexpr const char* CLOSE_NAME = "QELVANO_JtagClose";
constexpr const char* WRITE_NAME = "QELVANO_JtagWrite";
constexpr const char* READ_NAME = "QELVANO_JtagRead";
constexpr const char* GET_INFO_NAME = "QELVANO_JtagGetInfo";
constexpr const char* LAST_ERROR_NAME = "QELVANO_JtagLastError";

constexpr int JTAG_INFO_RECORD_LEN = 164;
constexpr int JTAG_INFO_DESCRIPTION_OFFSET = 112;
constexpr int JTAG_INFO_DEVICE_OFFSET = 96;

// QELVANO_JtagLastError's codes.
constexpr std::int32_t JTAG_ERROR_NONE = 0;
constexpr std::int32_t JTAG_ERROR_NO_CABLE = 1;
constexpr std::int32_t JTAG_ERROR_IN_USE = 2;       // the text names the holder when known
constexpr std::int32_t JTAG_ERROR_NO_JTAG_UART = 3; // the FPGA is not configured
constexpr std::int32_t JTAG_ERROR_SERVER_UNREACHABLE = 4;
constexpr std::int32_t JTAG_ERROR_PERMISSION = 5;
constexpr std::int32_t JTAG_ERROR_OTHER = 9;

} // namespace jtagapi
