#include "core/SdCardOutcome.h"

namespace sdcard {

namespace {

const char* const ACCESS_FAILED = "Failed to access SDCARD.";
const char* const NO_CARD = "Failed to access the SDCARD.\nPlease make sure a SDCARD is pluged into the VX5h-260.";

} // namespace

TReadOutcome ReadOutcome(bool exchanged, bool present)
{
    if (!exchanged)
        return {ACCESS_FAILED, false, ACCESS_FAILED, "", true};
    // No card, or a card that does not answer: the link itself is fine.
    if (!present)
        return {ACCESS_FAILED, false, "", NO_CARD, false};
    return {"Read SDCARD read successfully", true, "", "", false};
}

} // namespace sdcard
