#include "core/selftest/InteractiveTests.h"

#include "board/Protocol.h"
#include "core/IrKeys.h"
#include "core/LedMask.h"
#include "core/Seg7Word.h"
#include "core/SwitchState.h"
#include "platform/Tick.h"

namespace selftest {

namespace {

constexpr std::uint32_t ANSWER_MS = 60000;
constexpr std::uint32_t STEP_MS = 250;
constexpr std::uint32_t POLL_MS = 20;

// The answer to a question, or the verdict when there was none.
std::optional<TVerdict> Answer(TContext& ctx, const std::string& question, bool& yes)
{
    const auto answer = ctx.person.Ask(question, ANSWER_MS);
    if (!answer && ctx.Stopped())
        return Skip("stopped");
    if (!answer)
        return Fail("no answer to \"" + question + "\"");
    yes = *answer;
    return std::nullopt;
}

// One group of LEDs: lit in turn, then all; a "no" asks LED by LED which ones stay dark.
std::optional<TVerdict> LedGroup(TContext& ctx, int first, int count, std::vector<std::string>& dark)
{
    const std::string range = leds::LedName(first) + "-" + leds::LedName(first + count - 1);
    std::uint32_t all = 0;
    for (int id = first; id < first + count; ++id) {
        if (auto p = ctx.Problem(ctx.board.SetLed(1u << id), "lighting " + leds::LedName(id)))
            return p;
        ctx.person.Pause(STEP_MS);
        all |= 1u << id;
    }
    if (auto p = ctx.Problem(ctx.board.SetLed(all), "lighting the LEDs"))
        return p;
    bool yes = false;
    if (auto p = Answer(ctx, "Did " + range + " light one after another, and are they all lit now?", yes))
        return p;
    for (int id = first; !yes && id < first + count; ++id) {
        if (auto p = ctx.Problem(ctx.board.SetLed(1u << id), "lighting " + leds::LedName(id)))
            return p;
        bool lit = false;
        if (auto p = Answer(ctx, "Is " + leds::LedName(id) + " lit (and no other)?", lit))
            return p;
        if (!lit)
            dark.push_back(leds::LedName(id));
    }
    return std::nullopt;
}

// Polls the switch word until each input of `bits` changed at least once.
TVerdict AwaitChanges(TContext& ctx, int from, int count, const std::string& request)
{
    std::uint32_t first = 0, state = 0, changed = 0, wanted = 0;
    for (int bit = from; bit < from + count; ++bit)
        wanted |= 1u << bit;
    if (auto p = ctx.Problem(ctx.board.GetSwitchKeyState(first), "reading the switches"))
        return *p;
    ctx.person.Tell(request + Format(" within %u s.", static_cast<unsigned>(ctx.options.inputBudgetMs / 1000)));
    const std::uint32_t start = platform::TickCount();
    while ((changed & wanted) != wanted && platform::TicksSince(start) < ctx.options.inputBudgetMs && !ctx.Stopped()) {
        if (auto p = ctx.Problem(ctx.board.GetSwitchKeyState(state), "reading the switches"))
            return *p;
        changed |= state ^ first;
        ctx.Progress(static_cast<double>(platform::TicksSince(start)) / ctx.options.inputBudgetMs);
        ctx.person.Pause(POLL_MS);
    }
    std::vector<std::string> still;
    for (int bit = from; bit < from + count; ++bit)
        if (!(changed & (1u << bit)))
            still.push_back(switches::InputName(bit));
    if (still.empty())
        return Pass(Format("all %d changed", count));
    return Fail(JoinList(still) + " never changed");
}

} // namespace

TVerdict LedTest(TContext& ctx)
{
    std::vector<std::string> dark;
    auto verdict = LedGroup(ctx, leds::GREEN_COUNT, leds::LED_COUNT - leds::GREEN_COUNT, dark);
    if (!verdict)
        verdict = LedGroup(ctx, 0, leds::GREEN_COUNT, dark);
    ctx.board.SetLed(0);
    if (verdict)
        return *verdict;
    if (!dark.empty())
        return Fail(JoinList(dark) + (dark.size() == 1 ? " does not light" : " do not light"));
    return Pass(Format("all %d LEDs seen", leds::LED_COUNT));
}

TVerdict Seg7Test(TContext& ctx)
{
    seg7::TDigits eights{}, counting{};
    eights.fill(8);
    for (int i = 0; i < seg7::DIGIT_COUNT; ++i)
        counting[static_cast<std::size_t>(i)] = i;
    const std::pair<seg7::TDigits, const char*> steps[] = {
        {eights, "Do all eight digits show 8, every segment lit?"},
        {counting, "Do the digits show 7 6 5 4 3 2 1 0 from left to right?"},
    };
    for (const auto& [digits, question] : steps) {
        if (auto p = ctx.Problem(ctx.board.SetSeg7(seg7::Seg7Word(digits)), "setting the digits"))
            return *p;
        bool yes = false;
        if (auto p = Answer(ctx, question, yes))
            return *p;
        if (!yes)
            return Fail(std::string("the digits looked wrong: \"") + question + "\" answered no");
    }
    return Pass("all digits and segments seen");
}

TVerdict SwitchTest(TContext& ctx)
{
    return AwaitChanges(ctx, switches::KEY_COUNT, switches::SWITCH_COUNT, "Flip each slide switch SW0-SW17 (and back)");
}

TVerdict KeyTest(TContext& ctx) { return AwaitChanges(ctx, 0, switches::KEY_COUNT, "Press each pushbutton KEY0-KEY3"); }

TVerdict IrTest(TContext& ctx)
{
    const std::uint8_t channel = protocol::CHANNEL_IR;
    if (auto p = ctx.Problem(ctx.board.ChannelEnable(channel, true), "switching IR reception on"))
        return *p;
    ctx.person.Tell(
        Format("Press a key of the IR remote within %u s.", static_cast<unsigned>(ctx.options.inputBudgetMs / 1000)));
    std::uint8_t count = 0, data[129] = {};
    std::optional<TVerdict> problem;
    const std::uint32_t start = platform::TickCount();
    while (!problem && count == 0 && platform::TicksSince(start) < ctx.options.inputBudgetMs && !ctx.Stopped()) {
        problem = ctx.Problem(ctx.board.ChannelRead(channel, count, data), "reading the IR receiver");
        ctx.Progress(static_cast<double>(platform::TicksSince(start)) / ctx.options.inputBudgetMs);
        ctx.person.Pause(POLL_MS);
    }
    ctx.board.ChannelEnable(channel, false);
    if (problem)
        return *problem;
    if (count == 0)
        return Fail("no IR code received");
    const int key = ir::KeyForCode(data[0]);
    if (key < 0)
        return Pass(Format("received scan code 0x%02X (not a key of the remote)", data[0]));
    return Pass(Format("received scan code 0x%02X, key %s", data[0], ir::IR_KEYS[key].label));
}

} // namespace selftest
