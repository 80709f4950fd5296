#include "DynamicLibrary.h"

#include "platform/VendorTools.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, std::string* error, bool shareNames)
{
    // A bare name would send the loader down its search path; only the named file will do.
    if (path.empty() || path.front() != '/') {
        if (error)
            *error = "not a full path: " + path;
        return nullptr;
    }
    // RTLD_LOCAL keeps the entry points of one library from answering lookups meant for
    // another: the JTAG and download libraries may both be loaded at once.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | (shareNames ? RTLD_GLOBAL : RTLD_LOCAL));
    if (!handle) {
        if (error) {
            const char* why = ::dlerror();
            *error = why ? why : "unknown loader error";
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle, path));
}

DynamicLibrary::~DynamicLibrary() { ::dlclose(handle_); }

void* DynamicLibrary::Resolve(const char* name) const { return ::dlsym(handle_, name); }

void PinModuleOf(const void* address)
{
    Dl_info info{};
    if (::dladdr(address, &info) && info.dli_fname)
        ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace platform
