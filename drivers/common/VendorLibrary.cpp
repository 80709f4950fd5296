#include "drivers/common/VendorLibrary.h"

#include "platform/VendorTools.h"

namespace drivers {

namespace {

template<typename Fn>
bool Find(const platform::DynamicLibrary& library, const char* name, Fn& fn, std::string& why)
{
    fn = library.ResolveAs<Fn>(name);
    if (!fn)
        why = std::string("the vendor's JTAG library lacks ") + name;
    return fn != nullptr;
}

const vendorapi::EntryNames& NamesHere()
{
    switch (platform::VendorNameScheme()) {
    case platform::CppNameScheme::Microsoft64:
        return vendorapi::MICROSOFT64_NAMES;
    case platform::CppNameScheme::Microsoft32:
        return vendorapi::MICROSOFT32_NAMES;
    default:
        return vendorapi::ITANIUM_NAMES;
    }
}

} // namespace

std::unique_ptr<VendorLibrary> VendorLibrary::Load(std::string& why)
{
    const auto tools = platform::FindVendorTools(why);
    if (!tools)
        return nullptr;
    std::unique_ptr<VendorLibrary> library(new VendorLibrary);
    // The client library goes first, by full path, its names shared: the UART library
    // relies on them and finds its companion loaded already, whatever folder is current.
    library->client_ = platform::DynamicLibrary::Load(tools->clientLibrary, &why, true);
    if (!library->client_)
        return nullptr;
    library->atlantic_ = platform::DynamicLibrary::Load(tools->atlanticLibrary, &why);
    if (!library->atlantic_ || !library->Resolve(NamesHere(), why))
        return nullptr;
    return library;
}

bool VendorLibrary::Resolve(const vendorapi::EntryNames& names, std::string& why)
{
    const platform::DynamicLibrary& lib = *atlantic_;
    return Find(lib, names.open, open, why) && Find(lib, names.getError, getError, why)
        && Find(lib, names.close, close, why) && Find(lib, names.write, write, why)
        && Find(lib, names.flush, flush, why) && Find(lib, names.read, read, why)
        && Find(lib, names.getInfo, getInfo, why);
}

VendorLibrary::~VendorLibrary()
{
    if (!pinned_)
        return;
    // Left loaded for good: nothing unloads what a stray thread may still be running.
    (void)client_.release();
    (void)atlantic_.release();
}

void PinThisLibrary() { platform::PinModuleOf(reinterpret_cast<const void*>(&PinThisLibrary)); }

} // namespace drivers
