#pragma once

#include "core/selftest/SelfTest.h"

#include <string>

// The acceptance test's report: for a person, for scripts (JSON with stable keys) and
// for CI systems (JUnit XML).
namespace selftest {

std::string TextReport(const TReport& report);
std::string JsonReport(const TReport& report);
std::string JunitReport(const TReport& report);

// Text as an XML attribute value or element content holds it: markup characters and line
// breaks as references, bytes that are not UTF-8 and the control characters XML has no
// place for as the four characters \xHH, so that any cable's or board's name makes valid XML.
std::string XmlText(const std::string& text);

// One line of the summary: "22 tests: 15 passed, 1 failed, 6 skipped in 3.2 s".
std::string Summary(const TReport& report);

} // namespace selftest
