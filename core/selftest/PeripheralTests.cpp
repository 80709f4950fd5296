#include "core/selftest/PeripheralTests.h"

#include "board/Protocol.h"
#include "core/GsensorMath.h"
#include "core/HsmcReport.h"
#include "platform/Tick.h"

#include <cmath>
#include <cstring>

namespace selftest {

namespace {

constexpr int GSENSOR_SAMPLES = 8;
constexpr int RS232_BYTES = 256;
constexpr std::uint32_t RS232_BUDGET_MS = 1500; // 256 bytes at 9600 baud take 270 ms
constexpr std::uint64_t HSMC_IO_ALL = (std::uint64_t{1} << hsmc::IO_PAIRS) - 1;
constexpr std::uint32_t HSMC_XCVR_ALL = 0xFF; // the reply's mask; the connector has four

// CRC7 of an SD register's first 15 bytes, placed as the card sends it in byte 15.
std::uint8_t Crc7Byte(const std::uint8_t* reg)
{
    std::uint8_t crc = 0;
    for (int i = 0; i < 15; ++i)
        for (int bit = 7; bit >= 0; --bit) {
            const bool in = ((reg[i] >> bit) & 1) != ((crc >> 6) & 1);
            crc = static_cast<std::uint8_t>((crc << 1) & 0x7F);
            if (in)
                crc ^= 0x09;
        }
    return static_cast<std::uint8_t>(crc << 1 | 1);
}

// The capacity in MB from a CSD of version 1.0 or 2.0; 0 for another structure.
std::uint64_t CapacityMb(const std::uint8_t* csd)
{
    const int structure = csd[0] >> 6;
    if (structure == 1) {
        const std::uint32_t cSize = (std::uint32_t(csd[7] & 0x3F) << 16) | (csd[8] << 8) | csd[9];
        return (std::uint64_t(cSize) + 1) * 512 / 1024;
    }
    if (structure == 0) {
        const std::uint32_t cSize = (std::uint32_t(csd[6] & 0x03) << 10) | (csd[7] << 2) | (csd[8] >> 6);
        const int mult = ((csd[9] & 0x03) << 1) | (csd[10] >> 7);
        const int readBlLen = csd[5] & 0x0F;
        return ((std::uint64_t(cSize) + 1) << (mult + 2 + readBlLen)) >> 20;
    }
    return 0;
}

bool Printable(const std::uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i)
        if (bytes[i] < 0x20 || bytes[i] > 0x7E)
            return false;
    return true;
}

std::vector<std::string> RegisterFaults(const TSdRegisters& r)
{
    std::vector<std::string> faults;
    if (Crc7Byte(r.csd) != r.csd[15])
        faults.push_back(Format("CSD checksum 0x%02X, expected 0x%02X", r.csd[15], Crc7Byte(r.csd)));
    if (Crc7Byte(r.cid) != r.cid[15])
        faults.push_back(Format("CID checksum 0x%02X, expected 0x%02X", r.cid[15], Crc7Byte(r.cid)));
    if (CapacityMb(r.csd) == 0)
        faults.push_back(Format("CSD structure %d gives no capacity", r.csd[0] >> 6));
    if (!Printable(r.cid + 1, 7))
        faults.push_back("CID names no OEM and product");
    return faults;
}

// Pairs of a failure mask as "4 and 9 (pins 53-54, 83-84)".
std::string IoPairs(std::uint64_t mask)
{
    std::vector<std::string> pairs, pins;
    for (int i = 0; i < hsmc::IO_PAIRS; ++i)
        if (mask & (std::uint64_t{1} << i)) {
            const int pin = hsmc::HSMC_IO_PIN_TABLE[static_cast<std::size_t>(i)];
            pairs.push_back(std::to_string(i));
            pins.push_back(Format("%d-%d", pin, pin + 1));
        }
    return JoinList(pairs) + " open (pins " + [&] {
        std::string text;
        for (const auto& p : pins)
            text += (text.empty() ? "" : ", ") + p;
        return text;
    }() + ")";
}

std::string XcvrPairs(std::uint32_t mask)
{
    std::vector<std::string> pairs;
    std::string pins;
    for (int k = 0; k < 8; ++k)
        if (mask & (1u << k)) {
            pairs.push_back(std::to_string(k));
            const int b = 31 - 4 * k; // as the panel's report names them
            if (k < hsmc::XCVR_GROUPS_WITH_PINS)
                pins += (pins.empty() ? "" : ", ") + Format("%d/%d-%d/%d", b, b - 2, b + 1, b - 1);
        }
    return JoinList(pairs) + " open" + (pins.empty() ? "" : " (pins " + pins + ")");
}

} // namespace

TVerdict GsensorTest(TContext& ctx)
{
    if (auto p = ctx.Problem(ctx.board.GsensorInit(), "to initialise the G-sensor"))
        return *p;
    double sum = 0;
    for (int i = 0; i < GSENSOR_SAMPLES; ++i) {
        std::int16_t x = 0, y = 0, z = 0;
        if (auto p = ctx.Problem(ctx.board.GsensorRead(x, y, z), "reading the G-sensor"))
            return *p;
        const double mg = gsensor::ScaleMgPerCount();
        sum += std::sqrt(double(x) * x + double(y) * y + double(z) * z) * mg / 1000.0;
        ctx.Progress((i + 1.0) / GSENSOR_SAMPLES);
    }
    const double g = sum / GSENSOR_SAMPLES;
    const std::string reading = Format("|g| = %.2f g at rest (1 g \xC2\xB1 %.2f g)", g, GSENSOR_TOLERANCE_G);
    if (std::fabs(g - 1.0) > GSENSOR_TOLERANCE_G)
        return Fail("G-sensor reads " + reading);
    return Pass(reading);
}

TVerdict SdCardTest(TContext& ctx)
{
    TSdRegisters first, second;
    const Access access = ctx.board.SdCard(first);
    if (access == Access::Refused)
        return Skip("no card");
    if (auto p = ctx.Problem(access, "reading the SD card"))
        return *p;
    ctx.Progress(0.5);
    if (auto p = ctx.Problem(ctx.board.SdCard(second), "reading the SD card again"))
        return *p;
    std::vector<std::string> faults = RegisterFaults(first);
    if (std::memcmp(first.csd, second.csd, 16) || std::memcmp(first.cid, second.cid, 16))
        faults.push_back("the registers changed between two reads");
    if (!faults.empty()) {
        std::string message = "SD card " + faults[0];
        return Fail(message, std::vector<std::string>(faults.begin() + 1, faults.end()));
    }
    const char* fs = first.fileSystem == 1 ? "FAT16" : first.fileSystem == 2 ? "FAT32" : "no FAT file system";
    return Pass(Format("%u MB card, OEM \"%.2s\", product \"%.5s\", %s", static_cast<unsigned>(CapacityMb(first.csd)),
        reinterpret_cast<const char*>(first.cid + 1), reinterpret_cast<const char*>(first.cid + 3), fs));
}

TVerdict HsmcTest(TContext& ctx)
{
    std::uint32_t xcvr = 0;
    std::uint64_t io = 0;
    if (auto p = ctx.Problem(ctx.board.HsmcLoopback(xcvr, io), "the HSMC loopback test"))
        return *p;
    io &= HSMC_IO_ALL;
    xcvr &= HSMC_XCVR_ALL;
    // Without the adapter nothing loops back; a broken adapter or connector leaves some.
    if (io == HSMC_IO_ALL)
        return Skip("no loopback adapter (every pair open)");
    if (io == 0 && xcvr == 0)
        return Pass(
            Format("%d IO pairs and %d transceiver pairs loop back", hsmc::IO_PAIRS, hsmc::XCVR_GROUPS_WITH_PINS));
    std::vector<std::string> details;
    std::string message;
    if (io != 0)
        message = "HSMC pairs " + IoPairs(io);
    if (xcvr != 0)
        (message.empty() ? message : details.emplace_back()) = "HSMC transceiver pairs " + XcvrPairs(xcvr);
    return Fail(message, details);
}

TVerdict Rs232Test(TContext& ctx)
{
    const std::uint8_t channel = protocol::CHANNEL_RS232;
    if (auto p = ctx.Problem(ctx.board.ChannelEnable(channel, true), "switching RS232 reception on"))
        return *p;
    std::vector<std::uint8_t> sent(RS232_BYTES), back;
    for (int i = 0; i < RS232_BYTES; ++i)
        sent[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    std::optional<TVerdict> problem
        = ctx.Problem(ctx.board.ChannelWrite(channel, sent.data(), RS232_BYTES), "sending on RS232");
    const std::uint32_t start = platform::TickCount();
    while (!problem && back.size() < sent.size() && platform::TicksSince(start) < RS232_BUDGET_MS) {
        std::uint8_t count = 0, data[129] = {};
        problem = ctx.Problem(ctx.board.ChannelRead(channel, count, data), "reading RS232");
        back.insert(back.end(), data, data + count);
        ctx.Progress(static_cast<double>(back.size()) / RS232_BYTES);
    }
    const std::optional<TVerdict> off
        = ctx.Problem(ctx.board.ChannelEnable(channel, false), "switching RS232 reception off");
    if (problem || off)
        return problem ? *problem : *off;
    if (back.empty())
        return Skip("no loopback plug (nothing came back)");
    std::size_t same = 0;
    while (same < back.size() && same < sent.size() && back[same] == sent[same])
        ++same;
    if (same == sent.size() && back.size() == sent.size())
        return Pass(Format("%d bytes sent came back", RS232_BYTES));
    if (same < back.size() && same < sent.size())
        return Fail(Format("RS232 byte %u came back as 0x%02X, sent 0x%02X (%u of %d bytes came back)",
            static_cast<unsigned>(same), back[same], sent[same], static_cast<unsigned>(back.size()), RS232_BYTES));
    return Fail(Format("RS232 loopback: %u of %d bytes came back", static_cast<unsigned>(back.size()), RS232_BYTES));
}

} // namespace selftest
