#pragma once

#include "drivers/common/LinkError.h"
#include "drivers/jtag/Link.h"

#include <memory>
#include <mutex>
#include <string>

struct JTAGATLANTIC;

namespace drivers {

class VendorLibrary;

// A real cable's JTAG UART through the vendor's JTAG server and client library.
class VendorLink : public Link {
public:
    // Opens `cable` (empty: the library chooses) within the open budget; how long the
    // server takes to scan the chain is not ours to know, so an open that has not
    // ended by then is given up on (its link is closed whenever it comes).
    static std::unique_ptr<Link> Open(VendorLibrary& vendor, const std::string& cable, Failure& failure);
    ~VendorLink() override;

    std::int32_t Read(std::uint8_t* dest, std::int32_t count) override;
    bool Write(const std::uint8_t* bytes, std::int32_t count) override;
    std::string Description() const override { return cable_; }
    int Device() const override { return device_; }
    int Instance() const override { return instance_; }

private:
    VendorLink(VendorLibrary& vendor, JTAGATLANTIC* link);

    VendorLibrary& vendor_;
    JTAGATLANTIC* link_;
    std::mutex lock_;
    bool broken_ = false;
    std::string cable_;
    int device_ = -1;
    int instance_ = -1;
};

} // namespace drivers
