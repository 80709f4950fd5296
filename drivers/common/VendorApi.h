#pragma once

// The vendor's client library for JTAG UARTs (libjtag_atlantic.so, jtag_atlantic.dll), as its
// users know it.
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

// The exported names of the declarations above, as each compiler decorates them: GCC on
// Linux, Microsoft's for the 64-bit and the 32-bit Windows libraries (__cdecl, its
// default; a type met again among the parameters is named by its index, "0", "2").
struct EntryNames {
    const char* open;
    const char* getError;
    const char* close;
    const char* write;
    const char* flush;
    const char* read;
    const char* bytesAvailable;
    const char* getInfo;
};

constexpr EntryNames ITANIUM_NAMES{
    "_Z17jtagatlantic_openPKciiS0_",
    "_Z22jtagatlantic_get_errorPPKc",
    "_Z18jtagatlantic_closeP12JTAGATLANTIC",
    "_Z18jtagatlantic_writeP12JTAGATLANTICPKcj",
    "_Z18jtagatlantic_flushP12JTAGATLANTIC",
    "_Z17jtagatlantic_readP12JTAGATLANTICPcj",
    "_Z28jtagatlantic_bytes_availableP12JTAGATLANTIC",
    "_Z21jtagatlantic_get_infoP12JTAGATLANTICPPKcPiS4_",
};

constexpr EntryNames MICROSOFT64_NAMES{
    "?jtagatlantic_open@@YAPEAUJTAGATLANTIC@@PEBDHH0@Z",
    "?jtagatlantic_get_error@@YAHPEAPEBD@Z",
    "?jtagatlantic_close@@YAXPEAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_write@@YAHPEAUJTAGATLANTIC@@PEBDI@Z",
    "?jtagatlantic_flush@@YAHPEAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_read@@YAHPEAUJTAGATLANTIC@@PEADI@Z",
    "?jtagatlantic_bytes_available@@YAHPEAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_get_info@@YAXPEAUJTAGATLANTIC@@PEAPEBDPEAH2@Z",
};

constexpr EntryNames MICROSOFT32_NAMES{
    "?jtagatlantic_open@@YAPAUJTAGATLANTIC@@PBDHH0@Z",
    "?jtagatlantic_get_error@@YAHPAPBD@Z",
    "?jtagatlantic_close@@YAXPAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_write@@YAHPAUJTAGATLANTIC@@PBDI@Z",
    "?jtagatlantic_flush@@YAHPAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_read@@YAHPAUJTAGATLANTIC@@PADI@Z",
    "?jtagatlantic_bytes_available@@YAHPAUJTAGATLANTIC@@@Z",
    "?jtagatlantic_get_info@@YAXPAUJTAGATLANTIC@@PAPBDPAH2@Z",
};

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

} // namespace vendorapi
