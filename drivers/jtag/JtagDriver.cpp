// QELVANO_JTAG.DLL: the JTAG cable's byte stream, by one of two ways: to the board
// simulator over its Unix socket, or to a real board through the vendor's JTAG server
// and client library. Which one follows the choice rule both our libraries share.
#include "board/JtagApi.h"
#include "drivers/common/CableChoice.h"
#include "drivers/common/VendorLibrary.h"
#include "drivers/jtag/SimLink.h"
#include "drivers/jtag/VendorLink.h"
#include "platform/Export.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#define JTAG_EXPORT VX5H_EXPORT

namespace {

using drivers::CableRequest;
using drivers::Failure;
using drivers::LinkError;

constexpr const char* AUTOMATIC_KEY = "";

struct OpenLink {
    std::shared_ptr<drivers::Link> link;
    std::string requested; // the cable as asked for; empty for the automatic choice
};

// Everything this library keeps between calls.
struct Links {
    std::mutex lock;
    std::map<std::uint32_t, OpenLink> open;
    std::uint32_t next = 1;
    std::unique_ptr<drivers::VendorLibrary> vendor;
    std::string whyNoVendor;
    Failure last;
};
Links& AllLinks()
{
    static Links links;
    return links;
}

std::shared_ptr<drivers::Link> Find(std::uint32_t handle)
{
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    const auto it = links.open.find(handle);
    return it == links.open.end() ? nullptr : it->second.link;
}

std::string KeyOf(const CableRequest& request)
{
    return request.kind == CableRequest::Kind::Simulator ? drivers::SIMULATOR_CABLE : request.name;
}

// Two programs, or two parts of one, interleaving frames on one byte stream corrupt
// both; so a cable already open here is not opened again, whatever it was called.
bool AlreadyOpen(const Links& links, const std::string& key)
{
    // A cable's index ("1") may name any real cable that is open.
    const bool index = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    for (const auto& [handle, open] : links.open) {
        const bool simulator = open.link->Description().find("simulator") != std::string::npos;
        if (key == AUTOMATIC_KEY || open.requested == key || open.link->Description() == key
            || (simulator && key == drivers::SIMULATOR_CABLE) || (!simulator && index))
            return true;
    }
    return false;
}

std::unique_ptr<drivers::Link> OpenChosen(Links& links, const CableRequest& request, Failure& failure)
{
    if (request.kind != CableRequest::Kind::Simulator && !links.vendor)
        links.vendor = drivers::VendorLibrary::Load(links.whyNoVendor);
    std::unique_ptr<drivers::Link> vendorLink;
    const drivers::Choice choice = drivers::ChooseBoard(
        request, links.vendor.get(), links.whyNoVendor, [&](drivers::VendorLibrary& vendor, const std::string& cable) {
            Failure why;
            vendorLink = drivers::VendorLink::Open(vendor, cable, why);
            return why;
        });
    if (choice.way == drivers::Way::Vendor)
        return vendorLink;
    if (choice.way == drivers::Way::Simulator)
        return drivers::SimLink::Open(failure);
    failure = choice.failure;
    return nullptr;
}

} // namespace

JTAG_EXPORT std::uint32_t QELVANO_JtagOpen(std::int32_t cableIndex, const char* cableName)
{
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    links.last = {};
    if (cableIndex != 0) {
        links.last = {LinkError::NoCable, "Only cable index 0 exists; choose a cable with VX5H_CABLE"};
        return 0;
    }
    const CableRequest request = drivers::RequestedCable(cableName);
    if (AlreadyOpen(links, KeyOf(request))) {
        links.last = {LinkError::InUse, "The board is in use by another program: this one has its cable open"};
        return 0;
    }
    std::unique_ptr<drivers::Link> link = OpenChosen(links, request, links.last);
    if (!link) {
        if (!links.last)
            links.last = {LinkError::Other, "The cable could not be opened"};
        return 0;
    }
    const std::uint32_t handle = links.next++;
    if (links.next == 0)
        links.next = 1;
    links.open[handle] = {std::shared_ptr<drivers::Link>(link.release()), KeyOf(request)};
    return handle;
}

JTAG_EXPORT void QELVANO_JtagClose(std::uint32_t link)
{
    std::shared_ptr<drivers::Link> closing;
    {
        Links& links = AllLinks();
        std::lock_guard<std::mutex> guard(links.lock);
        const auto it = links.open.find(link);
        if (it == links.open.end())
            return;
        closing = std::move(it->second.link);
        links.open.erase(it);
    }
    // Closed here, outside the table's lock: a real cable flushes what is still queued.
}

JTAG_EXPORT std::int32_t QELVANO_JtagWrite(std::uint32_t link, const std::uint8_t* bytes, std::int32_t count)
{
    const auto l = Find(link);
    return l && (bytes || count == 0) && l->Write(bytes, count) ? 1 : 0;
}

JTAG_EXPORT std::int32_t QELVANO_JtagRead(std::uint32_t link, std::uint8_t* dest, std::int32_t count)
{
    const auto l = Find(link);
    return l && dest ? l->Read(dest, count) : 0;
}

JTAG_EXPORT std::int32_t QELVANO_JtagGetInfo(std::uint32_t link, std::uint8_t* record)
{
    const auto l = Find(link);
    if (!record || !l)
        return 0;
    std::memset(record, 0, jtagapi::JTAG_INFO_RECORD_LEN);
    std::strncpy(reinterpret_cast<char*>(record), "USB-Blaster", 16);
    const std::int32_t where[2] = {l->Device(), l->Instance()};
    std::memcpy(record + jtagapi::JTAG_INFO_DEVICE_OFFSET, where, sizeof where);
    std::strncpy(reinterpret_cast<char*>(record) + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET, l->Description().c_str(),
        jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET - 1);
    return 1;
}

JTAG_EXPORT std::int32_t QELVANO_JtagLastError(char* text, std::int32_t size)
{
    Links& links = AllLinks();
    std::lock_guard<std::mutex> guard(links.lock);
    drivers::CopyText(links.last.text, text, size);
    return static_cast<std::int32_t>(links.last.code);
}
