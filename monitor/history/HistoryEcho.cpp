#include "monitor/history/HistoryEcho.h"

#include "monitor/echo/EchoOutcome.h"

HistoryEcho HistoryEcho::of(const EchoOutcome& outcome)
{
    HistoryEcho kept;
    kept.host = outcome.host;
    kept.atMs = outcome.sent.at.wall.toMSecsSinceEpoch();
    switch (outcome.kind) {
    case EchoOutcome::Kind::Reply:
        kept.outcome = Outcome::Reply;
        kept.rttMs = static_cast<int>(outcome.roundTripMs);
        break;
    case EchoOutcome::Kind::ForeignReply:
        kept.outcome = Outcome::OtherAddress;
        kept.rttMs = static_cast<int>(outcome.roundTripMs);
        kept.text = outcome.replyAddress;
        break;
    case EchoOutcome::Kind::Failure:
    case EchoOutcome::Kind::NotSent:
    case EchoOutcome::Kind::Untold:
        kept.outcome = outcome.timedOut ? Outcome::Timeout : Outcome::Failure;
        kept.text = outcome.errorText;
        break;
    }
    return kept;
}

const char* HistoryEcho::outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Reply:
        return "reply";
    case Outcome::Timeout:
        return "timeout";
    case Outcome::Failure:
        return "failure";
    case Outcome::OtherAddress:
        return "other-address";
    }
    return "failure";
}
