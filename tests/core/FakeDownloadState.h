#pragma once

#include <cstdint>
#include <string>

// The state of the fake download library the core tests build as "QELVANO_DOWNLOAD.DLL",
// reached through its exported FakeDownload_State().
struct FakeDownloadState {
    double version = 21.1;
    std::int32_t downloadResult = 1;

    int versionCalls = 0;
    int downloadCalls = 0;
    bool pathNull = false;
    std::string path;
    bool pathOpens = false; // the file opened by that path, as a library of this system opens it
    std::int32_t time = 0, b = 0, c = 0;
    std::uint8_t a = 0, d = 0, e = 0;

    void Reset() { *this = FakeDownloadState(); }
};

extern "C" typedef FakeDownloadState* (*FakeDownload_State_t)();
