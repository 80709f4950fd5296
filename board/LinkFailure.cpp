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
