#pragma once

#include <array>
#include <cstdint>
#include <string>

// The eight hexadecimal digits HEX0-HEX7 of the seven-segment display and the word the
// board receives.
namespace seg7 {

constexpr int DIGIT_COUNT = 8;
using TDigits = std::array<int, DIGIT_COUNT>;
// What the firmware shows once the FPGA is configured, and the page at its start: 8 on
// every digit.
constexpr std::uint32_t START_WORD = 0x88888888;

// One step of a digit through 0-F, wrapping at both ends.
int StepDigit(int value, bool up);

// Digit i in bits 4i to 4i+3 (HEX0 lowest); only each digit's low four bits count.
std::uint32_t Seg7Word(const TDigits& digits);

// The digits of a text written as a number is: one to eight hexadecimal digits after an
// optional 0x, the last one on HEX0, missing leading digits 0. Empty when the text is such a number, else why
// not ("'12G4' must hold hexadecimal digits only (0-9, A-F)").
std::string DigitsOfText(const std::string& text, TDigits& digits);

// "HEX0" ... "HEX7".
std::string DigitName(int digit);

} // namespace seg7
