#pragma once

#include "drivers/common/VendorApi.h"

#include "platform/DynamicLibrary.h"

#include <memory>
#include <string>

namespace drivers {

// The vendor's JTAG client libraries, loaded by full path from the tools' folder that the
// installation names (never from a search path or the current directory), their entry
// points resolved by the names the vendor's compiler gave them on this system, and
// released when this dies.
class VendorLibrary {
public:
    // nullptr, with `why` set, when the tools are not installed or a library or entry
    // point is missing.
    static std::unique_ptr<VendorLibrary> Load(std::string& why);
    ~VendorLibrary();
    VendorLibrary(const VendorLibrary&) = delete;
    VendorLibrary& operator=(const VendorLibrary&) = delete;

    // Keeps the code in memory for good: a call into it may still be running on a
    // thread that was given up on.
    void Pin() { pinned_ = true; }

    decltype(&jtagatlantic_open) open = nullptr;
    decltype(&jtagatlantic_get_error) getError = nullptr;
    decltype(&jtagatlantic_close) close = nullptr;
    decltype(&jtagatlantic_write) write = nullptr;
    decltype(&jtagatlantic_flush) flush = nullptr;
    decltype(&jtagatlantic_read) read = nullptr;
    decltype(&jtagatlantic_get_info) getInfo = nullptr;

private:
    VendorLibrary() = default;
    bool Resolve(const vendorapi::EntryNames& names, std::string& why);

    std::unique_ptr<platform::DynamicLibrary> client_;
    std::unique_ptr<platform::DynamicLibrary> atlantic_;
    bool pinned_ = false;
};

// Keeps the library that holds this code loaded until the process ends.
void PinThisLibrary();

} // namespace drivers
