#include "cli/Channel.h"

#include "board/Board.h"
#include "cli/Cli.h"

namespace cli {

TChannelReception::TChannelReception(TContext& context, std::uint8_t channel, const char* what)
    : m_Context(context)
    , m_Channel(channel)
{
    bool accepted = false;
    const bool exchanged = context.Board().ChannelEnable(accepted, channel, 1);
    context.Check(exchanged, accepted, what);
}

TChannelReception::~TChannelReception()
{
    bool accepted = false;
    m_Context.Board().ChannelEnable(accepted, m_Channel, 0);
}

std::string ReadChannel(TContext& context, std::uint8_t channel, const char* what)
{
    bool ok = false;
    std::uint8_t count = 0;
    std::uint8_t data[protocol::CHANNEL_CHUNK + 1] = {};
    context.Check(context.Board().ChannelRead(ok, channel, count, data), what);
    // A refusal means nothing is waiting.
    if (!ok || count == 0)
        return {};
    return std::string(reinterpret_cast<const char*>(data), std::min<std::size_t>(count, protocol::CHANNEL_CHUNK));
}

} // namespace cli
