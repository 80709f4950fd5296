#pragma once

#include <string>

// How one read of the SD card's registers is reported (the register texts themselves
// come with the reply, see board/SdCardText.h).
namespace sdcard {

struct TReadOutcome {
    std::string infoText;
    bool success = false;   // the information line reads as success (else failure)
    std::string errorBox;   // empty: none
    std::string warningBox; // empty: none
    bool linkFailure = false;
};

// `exchanged`: the request and its reply went through the link; `present`: a card
// answered.
TReadOutcome ReadOutcome(bool exchanged, bool present);

} // namespace sdcard
