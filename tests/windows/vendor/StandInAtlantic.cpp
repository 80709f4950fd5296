// Stand-in for the vendor's jtag_atlantic.dll: a JTAG UART whose board echoes every byte,
// exported under the names the vendor's Windows compiler gives its functions (the .def
// files beside, written out by hand from the declarations). Told by STANDIN_ATLANTIC
// ("key=value,...", read at each open) to fail as the real one does:
//   open_error=N     every open fails with code N (open_detail=TEXT its detail)
//   short_writes=1   write takes a third of what it is offered, every other call none
//   break_after=N    once N bytes have been read, the link breaks (read gives -1)
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>

struct JTAGATLANTIC {
    std::string cable;
    std::map<std::string, std::string> script;
    std::deque<char> echo;
    long long readTotal = 0;
    bool broken = false;
    bool skipNextWrite = false;

    long long Number(const char* key) const
    {
        const auto it = script.find(key);
        return it == script.end() ? 0 : std::atoll(it->second.c_str());
    }
};

namespace {

constexpr const char* CABLE = "USB-Blaster [USB-0]";
int lastError = 0;
std::string lastDetail;

std::map<std::string, std::string> ReadScript()
{
    std::map<std::string, std::string> script;
    const char* text = std::getenv("STANDIN_ATLANTIC");
    std::string rest = text ? text : "";
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        if (const auto eq = item.find('='); eq != std::string::npos)
            script[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return script;
}

} // namespace

extern "C" {

JTAGATLANTIC* standin_open(const char* cable, int, int, const char*)
{
    auto script = ReadScript();
    lastError = 0;
    lastDetail.clear();
    if (script.count("open_error")) {
        lastError = std::atoi(script["open_error"].c_str());
        lastDetail = script["open_detail"];
        return nullptr;
    }
    // Any cable asked for is there: the one chain of this stand-in answers to every name.
    auto* link = new JTAGATLANTIC;
    link->cable = cable && *cable && std::string(cable) != "1" ? cable : CABLE;
    link->script = std::move(script);
    return link;
}

int standin_get_error(const char** detail)
{
    if (detail)
        *detail = lastDetail.c_str();
    return lastError;
}

void standin_close(JTAGATLANTIC* link) { delete link; }

int standin_write(JTAGATLANTIC* link, const char* data, unsigned count)
{
    if (link->broken)
        return -1;
    unsigned taken = count;
    if (link->Number("short_writes")) {
        taken = link->skipNextWrite ? 0 : std::max(1u, count / 3);
        link->skipNextWrite = !link->skipNextWrite;
    }
    link->echo.insert(link->echo.end(), data, data + taken);
    return static_cast<int>(taken);
}

int standin_flush(JTAGATLANTIC* link) { return link->broken ? -1 : 0; }

int standin_read(JTAGATLANTIC* link, char* buffer, unsigned size)
{
    if (link->broken)
        return -1;
    long long n = std::min<long long>(size, static_cast<long long>(link->echo.size()));
    const long long limit = link->Number("break_after");
    if (limit && link->readTotal + n >= limit) {
        n = limit - link->readTotal;
        link->broken = true; // what is read up to the break still arrives
    }
    std::copy_n(link->echo.begin(), n, buffer);
    link->echo.erase(link->echo.begin(), link->echo.begin() + n);
    link->readTotal += n;
    return static_cast<int>(n);
}

int standin_bytes_available(JTAGATLANTIC* link) { return static_cast<int>(link->echo.size()); }

void standin_get_info(JTAGATLANTIC* link, const char** cable, int* device, int* instance)
{
    if (cable)
        *cable = link->cable.c_str();
    if (device)
        *device = 1;
    if (instance)
        *instance = 0;
}

} // extern "C"
