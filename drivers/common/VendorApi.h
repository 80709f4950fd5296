#pragma once

// The vendor's client library for JTAG UARTs (libjtag_atlantic.so), as its users know it.
// Its entry points are C++ functions: declared with exactly these signatures they mangle
// to the names the library exports, which is how our stand-in for it gets them too.
struct JTAGATLANTIC;

JTAGATLANTIC* jtagatlantic_open(const char* cable, int device, int instance, const char* app_name);
int jtagatlantic_get_error(const char** detail);
void jtagatlantic_close(JTAGATLANTIC* link);
int jtagatlantic_write(JTAGATLANTIC* link, const char* data, unsigned count);
int jtagatlantic_flush(JTAGATLANTIC* link);
int jtagatlantic_read(JTAGATLANTIC* link, char* buffer, unsigned size);
int jtagatlantic_bytes_available(JTAGATLANTIC* link);
void jtagatlantic_get_info(JTAGATLANTIC* link, const char** cable, int* device, int* instance);

namespace vendorapi {

// The exported names of the declarations above.
constexpr const char* OPEN_NAME = "_Z17jtagatlantic_openPKciiS0_";
constexpr const char* GET_ERROR_NAME = "_Z22jtagatlantic_get_errorPPKc";
constexpr const char* CLOSE_NAME = "_Z18jtagatlantic_closeP12JTAGATLANTIC";
constexpr const char* WRITE_NAME = "_Z18jtagatlantic_writeP12JTAGATLANTICPKcj";
constexpr const char* FLUSH_NAME = "_Z18jtagatlantic_flushP12JTAGATLANTIC";
constexpr const char* READ_NAME = "_Z17jtagatlantic_readP12JTAGATLANTICPcj";
constexpr const char* BYTES_AVAILABLE_NAME = "_Z28jtagatlantic_bytes_availableP12JTAGATLANTIC";
constexpr const char* GET_INFO_NAME = "_Z21jtagatlantic_get_infoP12JTAGATLANTICPPKcPiS4_";

// jtagatlantic_get_error's codes.
enum Error : int {
    OK = 0,
    LINK_BROKEN = -1,
    CABLE_NOT_UNIQUE = -2,
    CABLE_NOT_EXISTING = -3,
    CABLE_NOT_CONNECTED = -4,
    BOARD_NOT_CONNECTED = -5,
    IN_USE = -6,
    NODE_NOT_UNIQUE = -7,
    NODE_NOT_EXISTING = -8,
    HARDWARE_BROKEN = -9,
};

// Where the libraries lie below QUARTUS_ROOTDIR; the client library goes first, with its
// symbols global, because the UART library relies on them.
constexpr const char* LIBRARY_FOLDER = "/linux64/";
constexpr const char* CLIENT_LIBRARY = "libjtag_client.so";
constexpr const char* ATLANTIC_LIBRARY = "libjtag_atlantic.so";

} // namespace vendorapi
