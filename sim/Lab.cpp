#include "sim/Lab.h"

#include "sim/Endpoint.h"

namespace sim {

namespace {

constexpr const char* FIRST_NAME = "sim";
constexpr const char* DESCRIPTION = "USB-Blaster [VX5h-260 simulator";
constexpr const char* SOCKET_SUFFIX = ".sock";

// A whole number from 1 to MAX_BOARDS written in plain decimal digits, else 0.
int SmallNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2 || text[0] == '0')
        return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= MAX_BOARDS ? value : 0;
}

} // namespace

std::string BoardName(int board) { return board <= 1 ? FIRST_NAME : std::string(FIRST_NAME) + "-" + std::to_string(board); }

std::string BoardDescription(int board)
{
    return std::string(DESCRIPTION) + (board <= 1 ? "]" : " " + std::to_string(board) + "]");
}

int BoardOfCable(const std::string& cable)
{
    const std::string first = FIRST_NAME;
    if (cable == first)
        return 1;
    if (cable.rfind(first + "-", 0) == 0)
        return SmallNumber(cable.substr(first.size() + 1));
    const std::string description = DESCRIPTION;
    if (cable == description + "]")
        return 1;
    if (cable.rfind(description + " ", 0) == 0 && cable.back() == ']') {
        const int board = SmallNumber(cable.substr(description.size() + 1, cable.size() - description.size() - 2));
        return board >= 2 ? board : 0;
    }
    return 0;
}

std::string BoardSocketPath(const std::string& firstSocket, int board)
{
    const std::string path = BoardSocketName(firstSocket, board);
    return board <= 1 || EndpointNameFits(path) ? path : std::string();
}

std::string BoardSocketName(const std::string& firstSocket, int board)
{
    if (board <= 1)
        return firstSocket;
    const std::string suffix = SOCKET_SUFFIX;
    const std::string number = "-" + std::to_string(board);
    const bool named = firstSocket.size() > suffix.size()
        && firstSocket.compare(firstSocket.size() - suffix.size(), suffix.size(), suffix) == 0;
    return named ? firstSocket.substr(0, firstSocket.size() - suffix.size()) + number + suffix : firstSocket + number;
}

int ParseBoardCount(const std::string& text) { return SmallNumber(text); }

} // namespace sim
