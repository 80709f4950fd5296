// vx5h.Board: connecting, and the board's commands as the window names them.
#include "Bindings.h"

#include "core/GsensorMath.h"
#include "core/HsmcReport.h"
#include "core/LcdText.h"
#include "core/LedMask.h"
#include "core/Seg7Word.h"
#include "core/SwitchState.h"
#include "core/VgaPattern.h"
#include "core/selftest/BoardAccess.h"
#include "board/SdCardText.h"

#include <pybind11/stl.h>

#include <string>
#include <variant>

namespace py = pybind11;

namespace pyvx5h {

namespace {

constexpr std::uint32_t SEG7_MAXIMUM = 0xFFFFFFFF;

struct TResultTypes {
    py::handle info, gsensor, sdCard, hsmc;
};
TResultTypes g_Types;

// An int, or a str argument (TextOf).
using TNumberOrText = std::variant<TInteger, py::str>;

std::uint32_t Seg7WordOf(const TNumberOrText& digits)
{
    if (const auto* number = std::get_if<TInteger>(&digits))
        return InRange(*number, SEG7_MAXIMUM, "seg7");
    seg7::TDigits parsed{};
    const std::string problem = seg7::DigitsOfText(TextOf(std::get<py::str>(digits), "seg7"), parsed);
    if (!problem.empty())
        throw py::value_error("seg7: " + problem);
    return seg7::Seg7Word(parsed);
}

int PatternOf(const TNumberOrText& pattern)
{
    if (const auto* number = std::get_if<TInteger>(&pattern))
        return static_cast<int>(InRange(*number, vga::PATTERN_COUNT - 1, "pattern"));
    const std::string name = TextOf(std::get<py::str>(pattern), "pattern");
    const int index = vga::FindPattern(name);
    if (index < 0)
        throw py::value_error(
            "pattern: " + Quoted(name) + " is neither a pattern's name nor its number; vx5h.VGA_PATTERNS lists them");
    return index;
}

std::string LcdLine(const py::str& line, const char* name)
{
    std::string text = TextOf(line, name);
    if (py::len(line) > static_cast<std::size_t>(lcd::LINE_CHARS))
        throw py::value_error(std::string(name) + ": " + Quoted(text) + " is longer than the LCD's "
            + std::to_string(lcd::LINE_CHARS) + " characters");
    return text;
}

py::object Info(TSession& session)
{
    std::string name, link;
    session.Run([&](TBoard& board) {
        session.CheckCommand(board.QueryBoardName(name), "info");
        link = board.LinkDescription();
    });
    return g_Types.info(name, link, link.find("simulator") != std::string::npos);
}

void SetLeds(TSession& session, TInteger mask)
{
    const std::uint32_t value = InRange(mask, leds::ALL_LEDS, "leds");
    session.Run([&](TBoard& board) {
        session.CheckCommand(board.SetLed(value), "leds");
        session.leds = value;
    });
}

void SetLed(TSession& session, TInteger index, bool on)
{
    const std::uint32_t bit = 1u << InRange(index, leds::LED_COUNT - 1, "index");
    session.Run([&](TBoard& board) {
        const std::uint32_t mask = on ? session.leds | bit : session.leds & ~bit;
        session.CheckCommand(board.SetLed(mask), "set_led");
        session.leds = mask;
    });
}

void SetSeg7(TSession& session, const TNumberOrText& digits)
{
    const std::uint32_t word = Seg7WordOf(digits);
    session.Run([&](TBoard& board) {
        session.CheckCommand(board.SetSeg7(word, 0), "seg7");
        session.seg7 = word;
    });
}

std::uint32_t SwitchKeyState(TSession& session, const char* what)
{
    std::uint32_t state = 0;
    session.Run([&](TBoard& board) { session.CheckCommand(board.GetSwitchKeyState(state), what); });
    return state;
}

void Lcd(TSession& session, const py::str& line0, const py::str& line1)
{
    const std::string first = LcdLine(line0, "line0");
    const std::string second = LcdLine(line1, "line1");
    const std::string unshowable = lcd::UnshowableText(first, second);
    if (!unshowable.empty())
        throw py::value_error(unshowable);
    const std::vector<std::uint8_t> bytes = lcd::LcdBytes(first, second);
    session.Run([&](TBoard& board) {
        bool accepted = false;
        const bool exchanged = board.ChannelWrite(
            accepted, protocol::CHANNEL_LCD, static_cast<std::int32_t>(bytes.size()), bytes.data());
        session.Check(exchanged, accepted, "lcd");
    });
}

void Vga(TSession& session, const TNumberOrText& pattern)
{
    const int index = PatternOf(pattern);
    session.Run([&](TBoard& board) {
        session.CheckCommand(board.SetVgaPattern(vga::ModeFor(index), static_cast<std::uint8_t>(index)), "vga");
    });
}

py::object Gsensor(TSession& session)
{
    std::int16_t x = 0, y = 0, z = 0;
    session.Run([&](TBoard& board) {
        // The sensor is set up once; a board that forgot it (its FPGA configured anew)
        // refuses the read and is set up again.
        bool read = session.gsensorReady && board.GsensorRead(x, y, z);
        if (!read && board.LastFailure() == TLinkFailure::None) {
            session.CheckCommand(board.GsensorInit(), "gsensor");
            session.gsensorReady = true;
            read = board.GsensorRead(x, y, z);
        }
        session.CheckCommand(read, "gsensor");
    });
    const std::int32_t storedY = gsensor::StoredY(y);
    const gsensor::TGsensorView view = gsensor::ViewOf(x, storedY, z);
    return g_Types.gsensor(
        gsensor::CountToMg(x), gsensor::CountToMg(storedY), gsensor::CountToMg(z), view.tiltX, view.tiltY);
}

py::object SdCard(TSession& session)
{
    selftest::TSdRegisters registers;
    session.Run([&](TBoard& board) {
        const selftest::Access access = selftest::TBoardAccess(board).SdCard(registers);
        session.Check(access != selftest::Access::LinkLost, "sd_card");
        if (access == selftest::Access::Refused)
            throw TRefusedError("sd_card: no SD card answers; is one in the slot?");
    });
    auto bytes = [](const std::uint8_t* data) { return py::bytes(reinterpret_cast<const char*>(data), 16); };
    return g_Types.sdCard(bytes(registers.csd), bytes(registers.cid), sdcard::FileSystemText(registers.fileSystem),
        sdcard::CsdText(registers.csd), sdcard::CidText(registers.cid));
}

py::object Hsmc(TSession& session)
{
    std::uint32_t xcvr = 0;
    std::uint64_t io = 0;
    session.Run([&](TBoard& board) {
        bool accepted = false;
        const bool exchanged = board.HsmcLoopbackTest(accepted, xcvr, io);
        session.Check(exchanged, accepted, "hsmc");
    });
    const hsmc::TVerdict verdict = hsmc::Verdict(true, true, xcvr, io);
    return g_Types.hsmc(verdict.passed, verdict.resultText, io, xcvr, hsmc::PlainLines(verdict.reportBox));
}

std::vector<std::string> PatternNames()
{
    std::vector<std::string> names;
    for (int index = 0; index < vga::PATTERN_COUNT; ++index)
        names.emplace_back(vga::PatternName(index));
    return names;
}

} // namespace

void AddBoard(py::module_& module, py::class_<TSession, TSessionPtr>& board)
{
    g_Types.info = NamedTuple(module, "Info", "board link simulator",
        "What info() tells: the board's name, the link's description, whether it is the simulator.");
    g_Types.gsensor = NamedTuple(module, "GSensor", "x_mg y_mg z_mg tilt_x tilt_y",
        "One reading of the G-sensor as the G-sensor page shows it: the three axes in milli-g and the tilt "
        "about the X and Y axes in degrees.");
    g_Types.sdCard = NamedTuple(module, "SdCard", "csd cid file_system csd_text cid_text",
        "The SD card's registers (16 bytes each, most significant byte first), its file system (FAT16, FAT32 "
        "or NA) and the texts the SD card page shows for the registers.");
    g_Types.hsmc = NamedTuple(module, "Hsmc", "passed result io_errors xcvr_errors report",
        "The HSMC loopback test: passed, 'PASS' or 'NG', the failing IO pairs (bit i: the pair the report names) "
        "and transceiver pairs as masks, and the failing pins, one a line.");
    module.attr("VGA_PATTERNS") = py::tuple(py::cast(PatternNames()));

    board.def(py::init([](const std::optional<py::str>& cable, bool configure) {
        return std::make_shared<TSession>(cable ? TextOf(*cable, "cable") : "", configure);
    }),
        py::arg("cable") = py::none(), py::arg("configure") = true,
        "Connects to a board as the control panel does: the link is opened, the board's name asked, and when "
        "the FPGA does not answer it is configured with the program folder's image (unless configure=False) "
        "and asked again.\n\n"
        "cable: 'sim' for the simulator, a cable's name as jtagconfig lists it ('USB-Blaster [1-1]') or its "
        "index ('1'); None picks the board as VX5H_CABLE does. vx5h.boards() lists the cables.\n"
        "Raises LinkError when no board can be had.");
    board.def("close", &TSession::Close,
        "Closes the link; a transfer running in another thread stops at its next packet first. Closing a "
        "closed board does nothing.");
    board.def("__enter__", [](TSessionPtr self) { return self; });
    board.def("__exit__", [](TSession& self, py::args) {
        self.Close();
        return false;
    });
    board.def_property_readonly("closed", &TSession::Closed, "True once the board is closed (also after a LinkError).");
    board.def_property_readonly(
        "cable", [](const TSession& self) { return self.Cable(); },
        "The cable asked for ('' for VX5H_CABLE's choice).");
    board.def("__repr__", [](const TSession& self) {
        return std::string("<vx5h.Board ") + (self.Cable().empty() ? "VX5H_CABLE's choice" : "cable " + self.Cable())
            + (self.Closed() ? ", closed>" : ">");
    });
    board.def("info", &Info, "Asks the board's name: Info(board, link, simulator).");
    board.def_property(
        "leds", [](const TSession& self) { return self.leds.load(); }, &SetLeds,
        "The 27 LEDs as a mask: bit i is LED i (GLED0-8 are bits 0-8, RLED0-17 bits 9-26). The board cannot "
        "report its LEDs: reading gives the mask this Board set last. Connecting sets the firmware's start, "
        "every LED lit (0x07FFFFFF).");
    board.def("set_led", &SetLed, py::arg("index"), py::arg("on"),
        "Switches LED `index` (0-26: GLED0-8, then RLED0-17) on or off; the others stay as `leds` has them.");
    board.def_property(
        "seg7", [](const TSession& self) { return self.seg7.load(); }, &SetSeg7,
        "The eight seven-segment digits as one word, HEX0 in the lowest four bits. Assign an int, or text of "
        "one to eight hex digits written as a number ('20260D09': the last digit on HEX0). Reading gives the "
        "word this Board set last. Connecting sets the firmware's start, 8 on every digit (0x88888888).");
    board.def_property_readonly(
        "switches", [](TSession& self) { return SwitchKeyState(self, "switches") >> switches::KEY_COUNT & 0x3FFFF; },
        "The 18 slide switches as a word, read from the board: bit i is SW i, set when the switch is up.");
    board.def_property_readonly(
        "keys", [](TSession& self) { return SwitchKeyState(self, "keys") & 0xF; },
        "The four pushbuttons as a word, read from the board: bit i is KEY i, set while it is pressed.");
    board.def("lcd", &Lcd, py::arg("line0"), py::arg("line1") = "",
        "Writes the two lines of the character LCD, at most 16 characters each, from the characters the LCD "
        "can show (printable ASCII); others raise ValueError.");
    board.def("vga", &Vga, py::arg("pattern"),
        "Shows a test pattern on the VGA output, or the composite video input: a name from VGA_PATTERNS (any "
        "case) or its index (9, 'Composite-In', is the video input).");
    board.def("gsensor", &Gsensor, "One reading of the G-sensor: GSensor(x_mg, y_mg, z_mg, tilt_x, tilt_y).");
    board.def("sd_card", &SdCard,
        "Reads the SD card's registers: SdCard(csd, cid, file_system, csd_text, cid_text). RefusedError when no "
        "card answers.");
    board.def("hsmc", &Hsmc,
        "Runs the HSMC loopback test (the loopback adapter fitted): Hsmc(passed, result, io_errors, xcvr_errors, "
        "report).");
}

} // namespace pyvx5h
