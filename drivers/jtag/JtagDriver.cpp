// QELVANO_JTAG.DLL: the JTAG cable's byte stream, by one of two ways: to the board
// simulator over its Unix socket, or to a real board through the vendor's JTAG server
// and client library. Which one follows the choice rule both our libraries share.
#include "board/JtagApi.h"
#include "drivers/common/CableChoice.h"
#include "drivers/common/VendorLibrary.h"
#include "drivers/jtag/SimLink.h"
#include "drivers/jtag/VendorLink.h"
#include "platform/Export.h"
#include "sim/Lab.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

// Everything this library keeps between calls. The lock guards the table, never an
// open itself: a cable whose server takes its time must not hold up another cable's open
// on another thread.
struct Links {
    std::mutex lock;
    std::map<std::uint32_t, OpenLink> open;
    std::vector<std::string> opening; // the cables of opens under way, by key
    std::uint32_t next = 1;
    std::unique_ptr<drivers::VendorLibrary> vendor;
    std::string whyNoVendor;
};

// Why the last open of this thread failed. Each thread asks about its own open, and
// threads open side by side. Plain data, so that the library can still be unloaded.
struct LastFailure {
    std::int32_t code = 0;
    char text[512] = {};
};
thread_local LastFailure t_last;

void SetLast(const Failure& failure)
{
    t_last.code = static_cast<std::int32_t>(failure.code);
    drivers::CopyText(failure.text, t_last.text, sizeof t_last.text);
}
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

// A simulated board by its one name ("sim", "sim-2"), whatever it was called.
std::string KeyOf(const CableRequest& request)
{
    return request.kind == CableRequest::Kind::Simulator ? sim::BoardName(request.simBoard) : request.name;
}

// Two programs, or two parts of one, interleaving frames on one byte stream corrupt
// both; so a cable already open here, or being opened, is not opened again, whatever it
// was called.
bool AlreadyOpen(const Links& links, const std::string& key)
{
    // A cable's index ("1") may name any real cable that is open.
    const bool index = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    for (const auto& [handle, open] : links.open) {
        const bool simulator = sim::BoardOfCable(open.link->Description()) != 0;
        if (key == AUTOMATIC_KEY || open.requested == key || open.link->Description() == key || (!simulator && index))
            return true;
    }
    for (const std::string& opening : links.opening)
        if (key == AUTOMATIC_KEY || opening == AUTOMATIC_KEY || opening == key)
            return true;
    return false;
}

// Marks a cable as being opened for as long as its open runs.
class OpeningTurn {
public:
    OpeningTurn(Links& links, std::string key)
        : m_Links(links)
        , m_Key(std::move(key))
    {
        m_Links.opening.push_back(m_Key);
    }
    ~OpeningTurn()
    {
        std::lock_guard<std::mutex> guard(m_Links.lock);
        const auto it = std::find(m_Links.opening.begin(), m_Links.opening.end(), m_Key);
        if (it != m_Links.opening.end())
            m_Links.opening.erase(it);
    }
    OpeningTurn(const OpeningTurn&) = delete;
    OpeningTurn& operator=(const OpeningTurn&) = delete;

private:
    Links& m_Links;
    std::string m_Key;
};

// The vendor's libraries, loaded on first need and kept while this library is loaded.
drivers::VendorLibrary* Vendor(Links& links, std::string& whyNot)
{
    std::lock_guard<std::mutex> guard(links.lock);
    if (!links.vendor)
        links.vendor = drivers::VendorLibrary::Load(links.whyNoVendor);
    whyNot = links.whyNoVendor;
    return links.vendor.get();
}

std::unique_ptr<drivers::Link> OpenChosen(Links& links, const CableRequest& request, Failure& failure)
{
    std::string whyNoVendor;
    drivers::VendorLibrary* vendorLibrary
        = request.kind != CableRequest::Kind::Simulator ? Vendor(links, whyNoVendor) : nullptr;
    std::unique_ptr<drivers::Link> vendorLink;
    const drivers::Choice choice = drivers::ChooseBoard(
        request, vendorLibrary, whyNoVendor, [&](drivers::VendorLibrary& vendor, const std::string& cable) {
            Failure why;
            vendorLink = drivers::VendorLink::Open(vendor, cable, why);
            return why;
        });
    if (choice.way == drivers::Way::Vendor)
        return vendorLink;
    if (choice.way == drivers::Way::Simulator)
        return drivers::SimLink::Open(request.kind == CableRequest::Kind::Simulator ? request.simBoard : 1, failure);
    failure = choice.failure;
    return nullptr;
}

} // namespace

JTAG_EXPORT std::uint32_t QELVANO_JtagOpen(std::int32_t cableIndex, const char* cableName)
{
    SetLast({});
    if (cableIndex != 0) {
        SetLast({LinkError::NoCable, "Only cable index 0 exists; choose a cable with VX5H_CABLE"});
        return 0;
    }
    Links& links = AllLinks();
    const CableRequest request = drivers::RequestedCable(cableName);
    std::unique_lock<std::mutex> guard(links.lock);
    if (AlreadyOpen(links, KeyOf(request))) {
        SetLast(drivers::OpenInThisProgram());
        return 0;
    }
    std::unique_ptr<drivers::Link> link;
    Failure failure;
    {
        const OpeningTurn turn(links, KeyOf(request));
        guard.unlock();
        link = OpenChosen(links, request, failure);
    }
    if (!link) {
        SetLast(failure ? failure : Failure{LinkError::Other, "The cable could not be opened"});
        return 0;
    }
    guard.lock();
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
    // A longer name is cut between characters, its NUL kept.
    const std::string description = l->Description();
    std::size_t length = std::min<std::size_t>(
        description.size(), jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET - 1);
    while (
        length > 0 && length < description.size() && (static_cast<unsigned char>(description[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(record + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET, description.data(), length);
    return 1;
}

JTAG_EXPORT std::int32_t QELVANO_JtagLastError(char* text, std::int32_t size)
{
    drivers::CopyText(t_last.text, text, size);
    return t_last.code;
}
