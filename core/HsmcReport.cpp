#include "core/HsmcReport.h"

#include <cstdio>

namespace hsmc {

const std::array<int, IO_PAIRS> HSMC_IO_PIN_TABLE = {
    39, 41, 43, 47, 53, 59, 65, 71, 77, 83, 89,            // bits 0-10
    49, 55, 61, 67, 73, 79, 85, 91, 97, 99,                // bits 11-20
    101, 107, 113, 119, 125, 131, 137, 143, 149,           // bits 21-29
    103, 109, 115, 121, 127, 133, 139, 145, 151, 157, 159, // bits 30-40
};

namespace {

template<typename... Args> std::string Line(const char* format, Args... args)
{
    char line[64];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

} // namespace

std::string Report(std::uint32_t xcvrMask, std::uint64_t ioMask)
{
    std::string report = "HSMC Test:NG\r\n";
    if (xcvrMask != 0) {
        report += "<Transceiver Error:>\r\n";
        for (int k = 0; k < XCVR_GROUPS_WITH_PINS; ++k) {
            if (!(xcvrMask & (1u << k)))
                continue;
            const int b = 31 - 4 * k;
            report += Line("HSMC Pin %d/%d-%d/%d    \r\n", b, b - 2, b + 1, b - 1);
        }
    }
    if (ioMask != 0) {
        report += "<IO Error:>\r\n";
        for (int i = 0; i < IO_PAIRS; ++i) {
            if (!(ioMask & (std::uint64_t{1} << i)))
                continue;
            const int pin = HSMC_IO_PIN_TABLE[static_cast<std::size_t>(i)];
            report += Line("HSMC Pin %d-%d    \r\n", pin, pin + 1);
        }
    }
    return report;
}

std::string PlainLines(const std::string& report)
{
    std::string text;
    for (char c : report)
        if (c != '\r')
            text += c;
    std::string trimmed;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(' ') + 1);
        trimmed += line + "\n";
    }
    return trimmed + text.substr(start);
}

TVerdict Verdict(bool exchanged, bool accepted, std::uint32_t xcvrMask, std::uint64_t ioMask)
{
    const std::string failed = "Failed to perform HSMC test";
    TVerdict v;
    if (!exchanged) {
        v.infoText = failed;
        v.errorBox = failed;
        v.linkFailure = true; // the result stays empty
        return v;
    }
    if (!accepted) {
        // The board would not run the test: no pins to name, but not a pass either.
        v.infoText = failed;
        v.resultText = "NG";
        return v;
    }
    if (xcvrMask == 0 && ioMask == 0) {
        v.infoText = "HSMC Loopback Test: PASS";
        v.passed = true;
        v.resultText = "PASS";
        return v;
    }
    v.infoText = "HSMC Loopback Test: NG";
    v.reportBox = Report(xcvrMask, ioMask);
    v.resultText = "NG";
    return v;
}

} // namespace hsmc
