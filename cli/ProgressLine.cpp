#include "cli/ProgressLine.h"

#include "core/Counted.h"
#include "platform/Console.h"
#include "platform/Tick.h"

#include <cstdio>

namespace cli {

namespace {

// Often enough to look alive, rarely enough to cost nothing beside the transfer.
constexpr std::uint32_t REDRAW_MS = 100;

std::string Printed(const char* format, double a, double b = 0, double c = 0)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string Duration(double seconds)
{
    const auto whole = static_cast<unsigned long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lu:%02lu:%02lu", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
    return text;
}

double MegabytesPerSecond(std::uint64_t bytes, std::uint32_t elapsedMs)
{
    return elapsedMs == 0 ? 0.0 : bytes / 1048576.0 / (elapsedMs / 1000.0);
}

} // namespace

std::string AmountText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    if (bytes < 1048576)
        return Printed("%.1f KB", bytes / 1024.0);
    return Printed("%.1f MB", bytes / 1048576.0);
}

std::string ProgressText(std::uint64_t done, std::uint64_t total, std::uint32_t elapsedMs, TUnit unit)
{
    std::string text = Printed("%3.0f%%  ", memory::Percentage(done, total));
    if (unit == TUnit::Blocks)
        text += std::to_string(done) + " of " + text::Counted(total, "block");
    else
        text += AmountText(done) + " of " + AmountText(total) + "  "
            + Printed("%.1f MB/s", MegabytesPerSecond(done, elapsedMs));
    if (done > 0 && done < total)
        text += "  " + Duration((total - done) * (elapsedMs / 1000.0) / done) + " left";
    return text;
}

std::string SummaryText(std::uint64_t done, std::uint32_t elapsedMs, TUnit unit)
{
    const std::string time = Printed("%.2f s", elapsedMs / 1000.0);
    if (unit == TUnit::Blocks)
        return std::to_string(done) + (done == 1 ? " block in " : " blocks in ") + time;
    return AmountText(done) + " in " + time + ", " + Printed("%.1f MB/s", MegabytesPerSecond(done, elapsedMs));
}

TProgressLine::TProgressLine(bool shown, TUnit unit)
    : m_Shown(shown)
    , m_Unit(unit)
    , m_Start(platform::TickCount())
{ }

std::string TProgressLine::Labelled(const std::string& text) const
{
    return m_Label.empty() ? text : m_Label + ": " + text;
}

void TProgressLine::NextStep(const std::string& label, TUnit unit)
{
    if (m_Total > 0)
        m_Finished.push_back(Labelled(SummaryText(m_Done, platform::TicksSince(m_Start), m_Unit)));
    m_Label = label;
    m_Unit = unit;
    m_Done = 0;
    m_Total = 0;
    m_Start = platform::TickCount();
}

void TProgressLine::Advance(std::uint64_t done, std::uint64_t total)
{
    m_Done = done;
    m_Total = total;
    if (!m_Shown)
        return;
    const std::uint32_t now = platform::TickCount();
    if (m_Drawn && done < total && now - m_LastDraw < REDRAW_MS)
        return;
    m_LastDraw = now;
    Draw(Labelled(ProgressText(done, total, now - m_Start, m_Unit)));
}

bool TProgressLine::AbortRequested() { return platform::InterruptRequested(); }

void TProgressLine::Finish(bool completed, std::uint32_t retried)
{
    if (!m_Shown)
        return;
    if (completed) {
        std::string summary;
        for (const std::string& step : m_Finished)
            summary += step + "; ";
        summary += Labelled(SummaryText(m_Done, platform::TicksSince(m_Start), m_Unit));
        if (retried > 0)
            summary += "; " + std::to_string(retried) + (retried == 1 ? " packet" : " packets") + " sent again";
        Draw(summary);
    }
    if (m_Drawn)
        std::fputc('\n', stderr);
    m_Drawn = false;
}

void TProgressLine::Draw(const std::string& text)
{
    // Carriage return, the text, and erase to the end of the line: a shorter line leaves
    // nothing of the longer one before it.
    std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
    std::fflush(stderr);
    m_Drawn = true;
}

} // namespace cli
