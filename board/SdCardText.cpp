#include "board/SdCardText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace sdcard {
namespace {

// Ten times the multipliers of the register's time and rate fields.
constexpr std::array<std::uint32_t, 16> TIME_RATE_TABLE
    = {0, 10, 12, 13, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 70, 80};

// 10^unit x multiplier: the unit is the field's bits 2-0, the multiplier's index bits 6-3.
std::uint64_t ScaledValue(std::uint8_t field)
{
    std::uint64_t power = 1;
    for (int i = 0; i < (field & 0x07); ++i)
        power *= 10;
    return power * TIME_RATE_TABLE[(field >> 3) & 0x0F] / 10;
}

template<typename... Args> void AppendFormat(std::string& text, const char* format, Args... args)
{
    char line[96];
    const int length = std::snprintf(line, sizeof line, format, args...);
    if (length > 0)
        text.append(line, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof line - 1));
}

// A product-name byte as text. The name is meant to be ASCII; a control byte (a NUL above
// all, which would cut the text short) shows as '.', and a byte above 0x7F as its Latin-1
// character so that the text stays valid UTF-8.
void AppendNameChar(std::string& text, std::uint8_t byte)
{
    if (byte < 0x20 || byte == 0x7F) {
        text.push_back('.');
    } else if (byte < 0x80) {
        text.push_back(static_cast<char>(byte));
    } else {
        text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
        text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
}

void AppendAccessTime(std::string& text, std::uint8_t taac)
{
    if (taac == 0) {
        text += "-Read Access Time:NA\n";
        return;
    }
    const unsigned long long ns = ScaledValue(taac);
    if (ns > 1000000)
        AppendFormat(text, "-Read Access Time:%llu ms\n", ns / 1000000);
    else if (ns > 1000)
        AppendFormat(text, "-Read Access Time:%llu us\n", ns / 1000);
    else
        AppendFormat(text, "-Read Access Time:%llu ns\n", ns);
}

void AppendTransferRate(std::string& text, std::uint8_t tranSpeed)
{
    if (tranSpeed == 0) {
        text += "-Max. Data Transfer Rate:NA\n";
        return;
    }
    const unsigned long long rate = ScaledValue(tranSpeed); // in 100 kbit/s
    if (rate < 10)
        AppendFormat(text, "-Max. Data Transfer Rate:%llu Kbits/s\n", rate * 100);
    else
        AppendFormat(text, "-Max. Data Transfer Rate:%llu Mbits/s\n", rate / 10);
}

// Version 2.0 counts the capacity in 512 KB units, read as C_SIZE / 2 MB; version 1.0
// (and the reserved structures) multiply it out. The product reaches 2^36 bytes, so it
// is formed in 64 bits to show 4 GB cards at their true size.
unsigned long long CapacityMb(const std::uint8_t* csd, int structure, int readBlLen)
{
    if (structure == 1) {
        const std::uint32_t cSize = (std::uint32_t(csd[7] & 0x3F) << 16) | (std::uint32_t(csd[8]) << 8) | csd[9];
        return cSize / 2;
    }
    const std::uint64_t cSize = (std::uint64_t(csd[6] & 0x03) << 10) | (std::uint64_t(csd[7]) << 2) | (csd[8] >> 6);
    const int cSizeMult = ((csd[9] & 0x03) << 1) | (csd[10] >> 7);
    const std::uint64_t bytes = (cSize + 1) << (cSizeMult + 2) << readBlLen;
    return (bytes + 1048575) / 1048576;
}

} // namespace

std::string CsdText(const std::uint8_t* csd)
{
    std::string text;
    const int structure = csd[0] >> 6;
    if (structure == 0)
        text += "-CSD Version 1.0\n";
    else if (structure == 1)
        text += "-CSD Version 2.0\n";

    AppendAccessTime(text, csd[1]);
    AppendFormat(text, "-Read Access Time (NSAC):%u (x100 cycle) \n", unsigned(csd[2]));
    AppendTransferRate(text, csd[3]);

    const int readBlLen = csd[5] & 0x0F;
    if (readBlLen != 0)
        AppendFormat(text, "-Max. Read Data Block Length:%u Byte\n", 1u << readBlLen);

    if (const unsigned long long capacity = CapacityMb(csd, structure, readBlLen))
        AppendFormat(text, "-Memory Capacity:%lluMB\n", capacity);
    return text;
}

std::string CidText(const std::uint8_t* cid)
{
    std::string text;
    AppendFormat(text, "-Manufacturer ID:%02Xh\n", unsigned(cid[0]));
    AppendFormat(text, "-OEM/Application ID:%02X%02Xh\n", unsigned(cid[2]), unsigned(cid[1]));
    text += "-Product Name:";
    for (int i = 3; i <= 7; ++i)
        AppendNameChar(text, cid[i]);
    text += '\n';
    AppendFormat(text, "-Product Revision:%02Xh\n", unsigned(cid[8]));
    AppendFormat(text, "-Serial No.:%02X%02X%02X%02Xh\n", unsigned(cid[9]), unsigned(cid[10]), unsigned(cid[11]),
        unsigned(cid[12]));
    AppendFormat(text, "-Date Code:%01X%02Xh\n", unsigned(cid[13] & 0x0F), unsigned(cid[14]));
    return text;
}

std::string FileSystemText(std::uint8_t type)
{
    switch (type) {
    case 1:
        return "FAT16";
    case 2:
        return "FAT32";
    default:
        return "NA";
    }
}

} // namespace sdcard
