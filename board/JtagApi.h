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
//          offset JTAG_INFO_DESCRIPTION_OFFSET, ending inside the record.
extern "C" {
typedef std::uint32_t (*QELVANO_JtagOpen_t)(std::int32_t cableIndex, const char* cableName);
typedef void (*QELVANO_JtagClose_t)(std::uint32_t link);
typedef std::int32_t (*QELVANO_JtagWrite_t)(std::uint32_t link, const std::uint8_t* bytes, std::int32_t count);
typedef std::int32_t (*QELVANO_JtagRead_t)(std::uint32_t link, std::uint8_t* dest, std::int32_t count);
typedef std::int32_t (*QELVANO_JtagGetInfo_t)(std::uint32_t link, std::uint8_t* record);
}

namespace jtagapi {

constexpr const char* LIBRARY_NAME = "QELVANO_JTAG.DLL";

constexpr const char* OPEN_NAME = "QELVANO_JtagOpen";
constexpr const char* CLOSE_NAME = "QELVANO_JtagClose";
constexpr const char* WRITE_NAME = "QELVANO_JtagWrite";
constexpr const char* READ_NAME = "QELVANO_JtagRead";
constexpr const char* GET_INFO_NAME = "QELVANO_JtagGetInfo";

constexpr int JTAG_INFO_RECORD_LEN = 164;
constexpr int JTAG_INFO_DESCRIPTION_OFFSET = 112;

} // namespace jtagapi
