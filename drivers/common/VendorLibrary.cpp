#include "drivers/common/VendorLibrary.h"

#include <cstdlib>
#include <dlfcn.h>

namespace drivers {

namespace {

void* OpenByPath(const std::string& path, int scope, std::string& why)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | scope);
    if (!handle) {
        const char* error = ::dlerror();
        why = error ? error : "cannot load " + path;
    }
    return handle;
}

template<typename Fn> bool Find(void* library, const char* name, Fn& fn, std::string& why)
{
    fn = reinterpret_cast<Fn>(::dlsym(library, name));
    if (!fn)
        why = std::string("the vendor's JTAG library lacks ") + name;
    return fn != nullptr;
}

} // namespace

std::unique_ptr<VendorLibrary> VendorLibrary::Load(std::string& why)
{
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    if (!root || *root != '/') {
        why = "QUARTUS_ROOTDIR is not set to the vendor's programmer tools";
        return nullptr;
    }
    const std::string folder = std::string(root) + vendorapi::LIBRARY_FOLDER;
    std::unique_ptr<VendorLibrary> library(new VendorLibrary);
    library->client_ = OpenByPath(folder + vendorapi::CLIENT_LIBRARY, RTLD_GLOBAL, why);
    if (!library->client_)
        return nullptr;
    library->atlantic_ = OpenByPath(folder + vendorapi::ATLANTIC_LIBRARY, RTLD_LOCAL, why);
    if (!library->atlantic_ || !library->Resolve(why))
        return nullptr;
    return library;
}

bool VendorLibrary::Resolve(std::string& why)
{
    using namespace vendorapi;
    return Find(atlantic_, OPEN_NAME, open, why) && Find(atlantic_, GET_ERROR_NAME, getError, why)
        && Find(atlantic_, CLOSE_NAME, close, why) && Find(atlantic_, WRITE_NAME, write, why)
        && Find(atlantic_, FLUSH_NAME, flush, why) && Find(atlantic_, READ_NAME, read, why)
        && Find(atlantic_, GET_INFO_NAME, getInfo, why);
}

VendorLibrary::~VendorLibrary()
{
    if (pinned_)
        return;
    if (atlantic_)
        ::dlclose(atlantic_);
    if (client_)
        ::dlclose(client_);
}

void PinThisLibrary()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&PinThisLibrary), &info) && info.dli_fname)
        ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace drivers
