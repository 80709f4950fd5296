#include "core/TraceSetup.h"

#include "board/TraceRecorder.h"
#include "platform/PrivateFile.h"

#include <cstdlib>

#ifndef VX5H_VERSION
#define VX5H_VERSION "unknown"
#endif

namespace trace {
namespace {

// Room for the header, a few events and the note that the file was cut.
constexpr std::uint64_t MIN_LIMIT_BYTES = 4096;

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::optional<std::uint64_t> ParseSize(const std::string& text)
{
    std::size_t digits = 0;
    std::uint64_t value = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        if (value > (UINT64_MAX - 9) / 10)
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(text[digits] - '0');
    }
    const std::string suffix = text.substr(digits);
    int shift = 0;
    if (suffix == "k" || suffix == "K")
        shift = 10;
    else if (suffix == "M")
        shift = 20;
    else if (suffix == "G")
        shift = 30;
    else if (!suffix.empty())
        return std::nullopt;
    if (digits == 0 || value == 0 || value > (UINT64_MAX >> shift))
        return std::nullopt;
    return value << shift;
}

std::shared_ptr<TTraceRecorder> StartRecording(const std::string& program, TRequest request, std::string& error)
{
    error.clear();
    // An empty VX5H_TRACE is one that is not set, as with any variable; an empty name
    // given on purpose is a mistake to say, not a wish for no transcript.
    const std::string path = request.path ? *request.path : Variable("VX5H_TRACE");
    if (path.empty()) {
        if (request.path)
            error = "the file name is empty";
        return nullptr;
    }
    TOptions options;
    options.keepData = request.keepData || Variable("VX5H_TRACE_DATA") == "1";
    if (const std::string limit = Variable("VX5H_TRACE_LIMIT"); !limit.empty()) {
        const auto bytes = ParseSize(limit);
        if (!bytes || *bytes < MIN_LIMIT_BYTES) {
            error = "VX5H_TRACE_LIMIT=" + limit + " is no size of 4k or more (bytes, or with a k, M or G suffix)";
            return nullptr;
        }
        options.limitBytes = *bytes;
    }
    const THeader header{program, VX5H_VERSION, platform::SystemDescription(),
        request.cable.empty() ? Variable("VX5H_CABLE") : request.cable};
    std::string why;
    auto recorder = TTraceRecorder::Create(path, header, options, why);
    if (!recorder) {
        error = "cannot record the link into " + path + ": " + why;
        return nullptr;
    }
    return recorder;
}

} // namespace trace
