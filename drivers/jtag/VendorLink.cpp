#include "drivers/jtag/VendorLink.h"

#include "drivers/common/VendorLibrary.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <thread>

namespace drivers {

namespace {

constexpr int DEFAULT_OPEN_TIMEOUT_MS = 15000;
constexpr int WRITE_TIMEOUT_MS = 5000;
constexpr auto IDLE_WAIT = std::chrono::microseconds(125);
constexpr const char* APP_NAME = "VX5h-260 Control Panel";
// The open budget; tests shorten it.
constexpr const char* OPEN_TIMEOUT_ENV = "VX5H_JTAG_OPEN_TIMEOUT_MS";

int OpenTimeoutMs()
{
    const char* text = std::getenv(OPEN_TIMEOUT_ENV);
    const int ms = text ? std::atoi(text) : 0;
    return ms > 0 ? ms : DEFAULT_OPEN_TIMEOUT_MS;
}

// What the opening thread leaves for the caller; shared, since either may be last.
struct PendingOpen {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    JTAGATLANTIC* link = nullptr;
    int error = 0;
    std::string detail;
};

void RunOpen(VendorLibrary& vendor, std::string cable, std::shared_ptr<PendingOpen> pending)
{
    JTAGATLANTIC* link = vendor.open(cable.empty() ? nullptr : cable.c_str(), -1, -1, APP_NAME);
    const char* detail = nullptr;
    const int error = link ? 0 : vendor.getError(&detail);
    std::lock_guard<std::mutex> guard(pending->lock);
    if (pending->abandoned) {
        if (link)
            vendor.close(link);
        return;
    }
    pending->link = link;
    pending->error = error;
    pending->detail = detail ? detail : "";
    pending->finished = true;
    pending->done.notify_all();
}

} // namespace

std::unique_ptr<Link> VendorLink::Open(VendorLibrary& vendor, const std::string& cable, Failure& failure)
{
    auto pending = std::make_shared<PendingOpen>();
    std::thread opener(RunOpen, std::ref(vendor), cable, pending);
    std::unique_lock<std::mutex> guard(pending->lock);
    if (!pending->done.wait_for(guard, std::chrono::milliseconds(OpenTimeoutMs()), [&] { return pending->finished; })) {
        pending->abandoned = true;
        guard.unlock();
        // The thread runs on in code that must stay loaded until it ends.
        vendor.Pin();
        PinThisLibrary();
        opener.detach();
        failure = {LinkError::ServerUnreachable,
            "The JTAG server did not open " + (cable.empty() ? std::string("a cable") : "\"" + cable + "\"")
                + " in time (is jtagd running?)"};
        return nullptr;
    }
    guard.unlock();
    opener.join();
    if (!pending->link) {
        failure = FailureFromVendor(pending->error, pending->detail, cable);
        return nullptr;
    }
    return std::unique_ptr<Link>(new VendorLink(vendor, pending->link));
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
