#pragma once

#include <cstdint>
#include <string>

// The board's character channels (IR, RS232) as the command line uses them: reception
// switched on while a command listens, and what has arrived.
namespace cli {

class TContext;

// Reception on while the object lives, off again afterwards (also when the command
// fails), as the page switches it with its visibility.
class TChannelReception {
public:
    TChannelReception(TContext& context, std::uint8_t channel, const char* what);
    ~TChannelReception();
    TChannelReception(const TChannelReception&) = delete;
    TChannelReception& operator=(const TChannelReception&) = delete;

private:
    TContext& m_Context;
    std::uint8_t m_Channel;
};

// The bytes waiting in the channel (empty when none); a lost exchange ends the command.
std::string ReadChannel(TContext& context, std::uint8_t channel, const char* what);

} // namespace cli
