#include "board/LinkFailure.h"

const char* LinkFailureText(TLinkFailure cause)
{
    switch (cause) {
    case TLinkFailure::None:
        return "no failure";
    case TLinkFailure::NoLink:
        return "no open link";
    case TLinkFailure::BadRequest:
        return "request too long for the firmware";
    case TLinkFailure::WriteRefused:
        return "write refused by the link";
    case TLinkFailure::NoReply:
        return "budget spent waiting for the reply";
    case TLinkFailure::WrongReply:
        return "reply with a wrong marker or command code";
    case TLinkFailure::WrongLength:
        return "reply of a wrong length";
    case TLinkFailure::ShortBody:
        return "short body: budget spent waiting for the rest of the reply";
    case TLinkFailure::BadChecksum:
        return "bad checksum or end marker";
    }
    return "unknown";
}

namespace {

struct TFailureKey {
    TLinkFailure cause;
    const char* key;
};
constexpr TFailureKey FAILURE_KEYS[] = {
    {TLinkFailure::None, "none"},
    {TLinkFailure::NoLink, "no_link"},
    {TLinkFailure::BadRequest, "bad_request"},
    {TLinkFailure::WriteRefused, "write_refused"},
    {TLinkFailure::NoReply, "no_reply"},
    {TLinkFailure::WrongReply, "wrong_reply"},
    {TLinkFailure::WrongLength, "wrong_length"},
    {TLinkFailure::ShortBody, "short_body"},
    {TLinkFailure::BadChecksum, "bad_checksum"},
};

} // namespace

const char* LinkFailureKey(TLinkFailure cause)
{
    for (const TFailureKey& entry : FAILURE_KEYS)
        if (entry.cause == cause)
            return entry.key;
    return "unknown";
}

bool LinkFailureFromKey(const std::string& key, TLinkFailure& cause)
{
    for (const TFailureKey& entry : FAILURE_KEYS)
        if (key == entry.key) {
            cause = entry.cause;
            return true;
        }
    return false;
}
