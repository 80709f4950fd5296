#include "drivers/common/VendorOpen.h"

#include "drivers/common/VendorLibrary.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace drivers {

namespace {

constexpr int DEFAULT_OPEN_TIMEOUT_MS = 15000;
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

void RunOpen(VendorLibrary& vendor, std::string cable, std::string appName, std::shared_ptr<PendingOpen> pending)
{
    JTAGATLANTIC* link = vendor.open(cable.empty() ? nullptr : cable.c_str(), -1, -1, appName.c_str());
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

JTAGATLANTIC* OpenWithinBudget(VendorLibrary& vendor, const std::string& cable, const char* appName, Failure& failure)
{
    auto pending = std::make_shared<PendingOpen>();
    std::thread opener(RunOpen, std::ref(vendor), cable, std::string(appName), pending);
    std::unique_lock<std::mutex> guard(pending->lock);
    if (!pending->done.wait_for(guard, std::chrono::milliseconds(OpenTimeoutMs()), [&] { return pending->finished; })) {
        pending->abandoned = true;
        guard.unlock();
        // The thread runs on in code that must stay loaded until it ends.
        vendor.Pin();
        PinThisLibrary();
        opener.detach();
        failure = {LinkError::ServerUnreachable,
            "The JTAG server did not open " + (cable.empty() ? std::string("a cable") : QuotedCable(cable))
                + " in time (is jtagd running?)"};
        return nullptr;
    }
    guard.unlock();
    opener.join();
    if (!pending->link)
        failure = FailureFromVendor(pending->error, pending->detail, cable);
    return pending->link;
}

} // namespace drivers
