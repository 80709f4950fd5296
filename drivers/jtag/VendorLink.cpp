#include "drivers/jtag/VendorLink.h"

#include "drivers/common/VendorLibrary.h"
#include "drivers/common/VendorOpen.h"

#include <chrono>
#include <thread>

namespace drivers {

namespace {

constexpr int WRITE_TIMEOUT_MS = 5000;
constexpr auto IDLE_WAIT = std::chrono::microseconds(125);
constexpr const char* APP_NAME = "VX5h-260 Control Panel";

} // namespace

std::unique_ptr<Link> VendorLink::Open(VendorLibrary& vendor, const std::string& cable, Failure& failure)
{
    JTAGATLANTIC* link = OpenWithinBudget(vendor, cable, APP_NAME, failure);
    return link ? std::unique_ptr<Link>(new VendorLink(vendor, link)) : nullptr;
}

VendorLink::VendorLink(VendorLibrary& vendor, JTAGATLANTIC* link)
    : vendor_(vendor)
    , link_(link)
{
    const char* cable = nullptr;
    vendor_.getInfo(link_, &cable, &device_, &instance_);
    cable_ = cable ? cable : "";
}

VendorLink::~VendorLink()
{
    // What was written must reach the board before the link goes.
    if (!broken_)
        vendor_.flush(link_);
    vendor_.close(link_);
}

std::int32_t VendorLink::Read(std::uint8_t* dest, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (broken_ || count <= 0)
        return 0;
    const int n = vendor_.read(link_, reinterpret_cast<char*>(dest), static_cast<unsigned>(count));
    if (n < 0)
        broken_ = true;
    if (n <= 0) {
        // As with the simulated cable: the caller polls, so wait one USB microframe.
        std::this_thread::sleep_for(IDLE_WAIT);
        return 0;
    }
    return n < count ? n : count;
}

bool VendorLink::Write(const std::uint8_t* bytes, std::int32_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (broken_ || count < 0)
        return false;
    // The library may take fewer bytes than offered; offer the rest until all are taken.
    const auto start = std::chrono::steady_clock::now();
    std::int32_t sent = 0;
    while (sent < count) {
        const int n
            = vendor_.write(link_, reinterpret_cast<const char*>(bytes) + sent, static_cast<unsigned>(count - sent));
        if (n < 0) {
            broken_ = true;
            return false;
        }
        sent += n;
        if (n == 0 && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(WRITE_TIMEOUT_MS))
            return false;
        if (n == 0)
            std::this_thread::sleep_for(IDLE_WAIT);
    }
    // The request must leave before the caller waits for its reply.
    if (vendor_.flush(link_) < 0)
        broken_ = true;
    return !broken_;
}

} // namespace drivers
