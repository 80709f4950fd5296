#include "drivers/common/CableChoice.h"

#include "sim/Lab.h"

#include <cstdlib>

namespace drivers {

CableRequest RequestedCable(const char* programCable)
{
    const char* name = programCable && *programCable ? programCable : std::getenv(CABLE_ENV);
    if (!name || !*name)
        return {};
    if (const int board = sim::BoardOfCable(name))
        return {CableRequest::Kind::Simulator, {}, board};
    return {CableRequest::Kind::Named, name};
}

Choice ChooseBoard(
    const CableRequest& request, VendorLibrary* vendor, const std::string& whyNoVendor, const VendorAttempt& attempt)
{
    const bool automatic = request.kind == CableRequest::Kind::Automatic;
    if (request.kind == CableRequest::Kind::Simulator)
        return {Way::Simulator, {}};
    if (!vendor) {
        if (automatic)
            return {Way::Simulator, {}};
        return {Way::None,
            {LinkError::Other,
                "Cable " + QuotedCable(request.name)
                    + " needs the vendor's JTAG libraries, which do not load: " + whyNoVendor}};
    }
    Failure failure = attempt(*vendor, request.name);
    if (!failure)
        return {Way::Vendor, {}};
    if (automatic && failure.code == LinkError::NoCable)
        return {Way::Simulator, {}};
    return {Way::None, std::move(failure)};
}

} // namespace drivers
