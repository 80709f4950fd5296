// The reply path of a transaction: whatever bytes the link delivers go through
// TBoard::Transact and the reply decoding of every command. The link is the fuzz JTAG
// library (FuzzJtag.cpp), loaded through the real loading path from its own folder and
// kept loaded, so that connecting for every input costs no library load.
//
// Input: a sequence of steps, each
//   op      u8   bits 0-4 the command (below), bits 5-7 how many reply records follow
//   link    u8   bits 0-1 most bytes one library read delivers (all, 1, 3, 61),
//                bit 2 every write fails
//   args         the command's arguments (see RunStep)
//   records      each: flags u8, count u16, [declared length u32 when shape 2],
//                [size u16 when bit 7], count bytes
//                flags bits 0-1 shape: 0 the bytes as they are, 1 a reply frame around
//                them, 2 a frame declaring another length, 3 a frame with a bad checksum;
//                bit 2 another command's code; bit 3 no end marker;
//                bits 4-6 x 2 empty reads (seconds) before the bytes arrive;
//                bit 7 the bytes padded with zeros to `size` (long replies from short inputs)
// Each write of a request releases the next record to the reader, as the firmware
// answers each request with one reply.
//
// Properties: every request written is a frame the firmware accepts; every exchange ends
// within its budgets however silent or slow the link; what a command decodes stays in
// its range (board name, keys and switches, channel bytes, HSMC pairs, SD texts, the
// link's description); a failed exchange never reports an accepted command.
#include "board/Board.h"
#include "board/JtagApi.h"
#include "board/Protocol.h"
#include "fuzz/FuzzJtagState.h"
#include "fuzz/FuzzSupport.h"
#include "platform/DynamicLibrary.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

namespace {

using fuzz::Require;
using namespace protocol;

// The clock wraps within the first seconds of every input. It stands still while the
// link has bytes to deliver (a library read returns at once) and jumps a second at
// every reading while the link is silent, so that budgets are spent after a few polls.
constexpr std::uint32_t CLOCK_START = 0xFFFFF000;
constexpr std::uint32_t SILENT_STEP_MS = 1000;
constexpr std::uint32_t FUZZ_LINK = 0x600D;
// The longest an exchange may take: a flush, the SD card's header budget, one more
// link read, the body's budget with its link read, and the flush after a bad header,
// with the clock's steps in between. One more flush may come before the first write.
constexpr std::uint32_t EXCHANGE_MAX_MS = 30000;
constexpr std::uint32_t FLUSH_MAX_MS = 10000;

enum Op : std::uint8_t {
    OP_BOARD_NAME,
    OP_PING,
    OP_SET_LED,
    OP_SWITCH_KEY,
    OP_SET_SEG7,
    OP_SDCARD,
    OP_ERASE_BLOCK_COUNT,
    OP_ERASE_BLOCK,
    OP_MEMORY_WRITE,
    OP_MEMORY_READ,
    OP_GSENSOR_INIT,
    OP_GSENSOR_READ,
    OP_VGA,
    OP_CHANNEL_WRITE,
    OP_CHANNEL_READ,
    OP_CHANNEL_ENABLE,
    OP_HSMC,
    OP_KEEP_ALIVE,
    OP_RECONNECT,
    OP_COUNT
};

// The command code each step's requests carry (reconnecting sends none).
constexpr std::array<std::uint8_t, OP_COUNT> COMMAND_OF = {CMD_QUERY_BOARD_NAME, CMD_PING, CMD_SET_LED,
    CMD_GET_SWITCH_KEY_STATE, CMD_SET_SEG7, CMD_GET_SDCARD_INFO, CMD_GET_ERASE_BLOCK_COUNT, CMD_ERASE_BLOCK,
    CMD_MEMORY_WRITE, CMD_MEMORY_READ, CMD_GSENSOR_INIT, CMD_GSENSOR_READ, CMD_SET_VGA_PATTERN, CMD_CHANNEL_WRITE,
    CMD_CHANNEL_READ, CMD_CHANNEL_ENABLE, CMD_HSMC_LOOPBACK_TEST, CMD_PING, 0};

constexpr std::array<std::int32_t, 4> PIECES = {1 << 30, 1, 3, 61};

std::vector<std::uint8_t> Frame(std::uint8_t command, std::uint32_t declared, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> frame(HEADER_LEN);
    frame[0] = START_MARKER;
    frame[1] = command;
    PutU32(&frame[2], declared);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(Checksum(&frame[1], frame.size() - 1));
    frame.push_back(END_MARKER);
    return frame;
}

struct TReply {
    std::vector<std::uint8_t> bytes;
    int delayReads = 0;
};

TReply ReadRecord(fuzz::TInput& in, std::uint8_t command)
{
    const std::uint8_t flags = in.U8();
    const std::uint16_t count = in.U16();
    const int shape = flags & 3;
    const std::uint32_t declared = shape == 2 ? in.U32() : 0;
    // Padding beyond the longest reply would only feed the flush.
    const std::size_t padTo = flags & 0x80 ? std::min<std::size_t>(in.U16(), PKT_PC2NIOS_MAX_PL_LEN + 1) : 0;
    TReply reply;
    reply.bytes = in.Bytes(count);
    if (reply.bytes.size() < padTo)
        reply.bytes.resize(padTo);
    reply.delayReads = ((flags >> 4) & 7) * 2;
    if (shape == 0)
        return reply;
    const auto length = shape == 2 ? declared : static_cast<std::uint32_t>(reply.bytes.size());
    reply.bytes = Frame(flags & 4 ? command ^ 0x80 : command, length, reply.bytes);
    if (shape == 3)
        ++reply.bytes[reply.bytes.size() - 2];
    if (flags & 8)
        reply.bytes.back() = 0;
    return reply;
}

// Every request the program writes is one whole frame the firmware accepts.
void RequireRequestFrame(const std::uint8_t* frame, std::int32_t size)
{
    Require(size >= static_cast<std::int32_t>(FRAME_OVERHEAD), "a request holds a whole frame");
    const std::uint32_t length = GetU32(frame + 2);
    Require(length <= PKT_PC2NIOS_MAX_PL_LEN && length + FRAME_OVERHEAD == static_cast<std::uint32_t>(size),
        "a request's length field matches its size and the firmware's limit");
    Require(
        frame[0] == START_MARKER && frame[size - 1] == END_MARKER && frame[size - 2] == Checksum(frame + 1, length + 5),
        "a request's markers and checksum");
}

class THarness {
public:
    THarness()
    {
        ::unsetenv("QUARTUS_ROOTDIR"); // opening the link would change into its folder
        m_WorkingDirectory = platform::CurrentDirectory();
        const std::string folder = platform::ExecutableFolder() + "fuzz-jtag/";
        std::string error;
        m_Fake = platform::DynamicLibrary::Load(folder + "QELVANO_JTAG.DLL", &error);
        if (!m_Fake)
            std::fprintf(stderr, "cannot load the fake JTAG library: %s\n", error.c_str());
        Require(m_Fake != nullptr, "the fake JTAG library beside the fuzz target (fuzz-jtag/)");
        const auto state = m_Fake->ResolveAs<FuzzJtag_State_t>("FuzzJtag_State");
        Require(state != nullptr, "the fake JTAG library exports its state");
        m_State = state();
        m_State->onWrite = &THarness::OnWrite;
        m_State->context = this;
        platform::OverrideExecutableFolder(folder);
        platform::SetTickSource([this] { return m_Now += m_State->Silent() ? SILENT_STEP_MS : 0; });
        platform::SetBeepHandler([] {});
        platform::SetErrorDialogHandler([](const std::string&) {});
    }

    void Run(fuzz::TInput& in)
    {
        m_State->openResult = FUZZ_LINK;
        m_State->infoResult = 1;
        std::memset(m_State->info, 0, sizeof m_State->info);
        std::strcpy(reinterpret_cast<char*>(m_State->info + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET), "fuzz");
        m_Now = CLOCK_START;
        Connect();
        while (!in.AtEnd()) {
            const std::uint8_t op = in.U8();
            const std::uint8_t link = in.U8();
            m_State->maxPiece = PIECES[link & 3];
            m_State->writeResult = link & 4 ? 0 : 1;
            m_StepStart = m_Now;
            const int writesBefore = m_State->writeCalls;
            RunStep(static_cast<Op>((op & 0x1F) % OP_COUNT), op >> 5, in);
            const auto exchanges = static_cast<std::uint32_t>(m_State->writeCalls - writesBefore);
            Require(m_Now - m_StepStart <= FLUSH_MAX_MS + exchanges * EXCHANGE_MAX_MS,
                "every exchange ends within its budgets, however silent the link");
        }
        // Everything an input allocated is released with it, so that libFuzzer's leak
        // check sees balanced allocations and stays quiet unless something really leaks.
        m_Board.Disconnect();
        m_Replies.clear();
        m_Current = {};
        m_State->pending = nullptr;
        m_State->pendingLeft = 0;
        m_State->delayReads = 0;
    }

private:
    void Connect()
    {
        std::string error;
        const bool connected = m_Board.Connect(error);
        platform::SetCurrentDirectory(m_WorkingDirectory); // libFuzzer's paths may be relative
        Require(connected == (m_State->openResult != 0), "Connect succeeds exactly when the link opens");
        Require(connected || !error.empty(), "a failed Connect says why");
        const std::string& description = m_Board.LinkDescription();
        Require(description.size() <= jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET
                && description.find('\0') == std::string::npos,
            "the link description stays inside the information record");
    }

    void QueueReplies(int count, Op op, fuzz::TInput& in)
    {
        for (int i = 0; i < count; ++i)
            m_Replies.push_back(ReadRecord(in, COMMAND_OF[op]));
    }

    // A request reached the board: the next reply (if any) is on its way. What the last
    // reply left unread stays in the link, as it would in a cable.
    static void OnWrite(void* context, const std::uint8_t* bytes, std::int32_t count)
    {
        RequireRequestFrame(bytes, count);
        auto& self = *static_cast<THarness*>(context);
        if (self.m_Replies.empty())
            return;
        std::vector<std::uint8_t> left(self.m_State->pending, self.m_State->pending + self.m_State->pendingLeft);
        self.m_Current = std::move(self.m_Replies.front());
        self.m_Replies.pop_front();
        self.m_Current.bytes.insert(self.m_Current.bytes.begin(), left.begin(), left.end());
        self.m_State->pending = self.m_Current.bytes.data();
        self.m_State->pendingLeft = self.m_Current.bytes.size();
        self.m_State->delayReads = self.m_Current.delayReads;
    }

    void RunStep(Op op, int records, fuzz::TInput& in);
    void Reconnect(fuzz::TInput& in);

    std::unique_ptr<platform::DynamicLibrary> m_Fake;
    FuzzJtagState* m_State = nullptr;
    std::deque<TReply> m_Replies; // released one per request written
    TReply m_Current;             // what the link is delivering
    std::uint32_t m_Now = CLOCK_START;
    std::uint32_t m_StepStart = CLOCK_START;
    std::string m_WorkingDirectory;
    TBoard m_Board;
};

void THarness::Reconnect(fuzz::TInput& in)
{
    const std::uint8_t flags = in.U8();
    const std::vector<std::uint8_t> text
        = in.Bytes(in.U8() % (jtagapi::JTAG_INFO_RECORD_LEN - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET + 1));
    m_State->openResult = flags & 1 ? 0 : FUZZ_LINK;
    m_State->infoResult = flags & 2 ? 0 : 1;
    std::memset(m_State->info, 0, sizeof m_State->info);
    std::copy(text.begin(), text.end(), m_State->info + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET);
    Connect();
}

void THarness::RunStep(Op op, int records, fuzz::TInput& in)
{
    TBoard& b = m_Board;
    bool ok = false;
    switch (op) {
    case OP_BOARD_NAME: {
        QueueReplies(records, op, in);
        std::string name = "unchanged";
        b.QueryBoardName(name);
        Require(name.size() <= 32 && name.find('\0') == std::string::npos, "a board name of at most 32 characters");
        break;
    }
    case OP_PING:
        QueueReplies(records, op, in);
        b.Ping();
        break;
    case OP_SET_LED: {
        const std::uint32_t mask = in.U32();
        QueueReplies(records, op, in);
        b.SetLed(mask);
        break;
    }
    case OP_SWITCH_KEY: {
        QueueReplies(records, op, in);
        std::uint32_t state = 0;
        if (b.GetSwitchKeyState(state))
            Require(state >> 22 == 0, "4 keys and 18 switches, nothing above");
        break;
    }
    case OP_SET_SEG7: {
        const std::uint32_t digits = in.U32();
        const std::uint8_t extra = in.U8();
        QueueReplies(records, op, in);
        b.SetSeg7(digits, extra);
        break;
    }
    case OP_SDCARD: {
        QueueReplies(records, op, in);
        bool present = false;
        std::string csd, fileSystem, cid;
        if (b.GetSdCardInfo(present, csd, fileSystem, cid) && present)
            fuzz::RequireSdCardTexts(csd, cid, fileSystem);
        break;
    }
    case OP_ERASE_BLOCK_COUNT: {
        const std::uint8_t type = in.U8();
        QueueReplies(records, op, in);
        b.GetEraseBlockCount(type);
        break;
    }
    case OP_ERASE_BLOCK: {
        const std::uint8_t type = in.U8();
        const std::uint16_t block = in.U16();
        QueueReplies(records, op, in);
        const bool exchanged = b.EraseBlock(ok, type, block);
        Require(exchanged || !ok, "a failed exchange is never an accepted erase");
        break;
    }
    case OP_MEMORY_WRITE: {
        const std::uint8_t type = in.U8();
        const std::uint32_t address = in.U32();
        const std::vector<std::uint8_t> source(in.U16(), 0xA5);
        QueueReplies(records, op, in);
        b.MemoryWrite(type, address, static_cast<std::uint32_t>(source.size()), source.data());
        break;
    }
    case OP_MEMORY_READ: {
        const std::uint8_t type = in.U8();
        const std::uint32_t address = in.U32();
        // Exactly the requested size, so that a byte written past it is caught.
        std::vector<std::uint8_t> dest(in.U16());
        QueueReplies(records, op, in);
        b.MemoryRead(type, address, static_cast<std::uint32_t>(dest.size()), dest.data());
        break;
    }
    case OP_GSENSOR_INIT:
        QueueReplies(records, op, in);
        b.GsensorInit();
        break;
    case OP_GSENSOR_READ: {
        QueueReplies(records, op, in);
        std::int16_t x, y, z;
        b.GsensorRead(x, y, z);
        break;
    }
    case OP_VGA: {
        const std::uint8_t mode = in.U8();
        const std::uint8_t pattern = in.U8();
        QueueReplies(records, op, in);
        b.SetVgaPattern(mode, pattern);
        break;
    }
    case OP_CHANNEL_WRITE: {
        const std::uint8_t channel = in.U8();
        const std::vector<std::uint8_t> source(in.U16() % 1024, 'x');
        QueueReplies(records, op, in);
        b.ChannelWrite(ok, channel, static_cast<std::int32_t>(source.size()), source.data());
        break;
    }
    case OP_CHANNEL_READ: {
        const std::uint8_t channel = in.U8();
        QueueReplies(records, op, in);
        std::vector<std::uint8_t> dest(CHANNEL_CHUNK + 1, 0xEE);
        std::uint8_t count = 0xEE;
        const bool exchanged = b.ChannelRead(ok, channel, count, dest.data());
        Require(exchanged || !ok, "a failed exchange reads nothing");
        if (ok)
            Require(count <= CHANNEL_CHUNK && dest[count] == 0, "at most 128 bytes, ended by a NUL");
        break;
    }
    case OP_CHANNEL_ENABLE: {
        const std::uint8_t channel = in.U8();
        const std::uint8_t enable = in.U8();
        QueueReplies(records, op, in);
        b.ChannelEnable(ok, channel, enable);
        break;
    }
    case OP_HSMC: {
        QueueReplies(records, op, in);
        std::uint32_t xcvr = 0xEEEE;
        std::uint64_t io = 0xEEEE;
        if (b.HsmcLoopbackTest(ok, xcvr, io))
            Require(io >> 41 == 0 && xcvr >> 8 == 0 && (ok || (io == 0 && xcvr == 0)),
                "41 IO pairs and 8 transceivers; a refused test reports no pair");
        break;
    }
    case OP_KEEP_ALIVE:
        m_Now += in.U8() * 1000u; // beyond 120 s idle the link gets several pings
        m_StepStart = m_Now;
        QueueReplies(records, op, in);
        b.KeepAlive();
        break;
    case OP_RECONNECT:
        Reconnect(in);
        break;
    case OP_COUNT:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static THarness harness;
    fuzz::TInput in(data, size);
    harness.Run(in);
    return 0;
}
