#include "monitor/history/HistoryEcho.h"

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/window/EchoOutcome.h"

#include "ping/EchoService.h"
#include "ping/PingThrd.h"

HistoryEcho HistoryEcho::of(const EchoOutcome& outcome, const SentEcho& echo)
{
    const TPingThread& worker = outcome.worker;
    HistoryEcho kept;
    kept.host = worker.HostText;
    kept.atMs = echo.at.wall.toMSecsSinceEpoch();
    switch (outcome.kind) {
    case EchoOutcome::Kind::Reply:
        kept.outcome = Outcome::Reply;
        kept.rttMs = static_cast<int>(worker.RoundTripTime);
        break;
    case EchoOutcome::Kind::ForeignReply:
        kept.outcome = Outcome::OtherAddress;
        kept.rttMs = static_cast<int>(worker.RoundTripTime);
        kept.text = worker.ReplyAddress;
        break;
    case EchoOutcome::Kind::Failure:
    case EchoOutcome::Kind::NotSent:
    case EchoOutcome::Kind::Untold: {
        const std::uint32_t status = worker.ReplyCount == 0 ? worker.ErrorNumber : worker.ReplyStatus;
        kept.outcome = status == IpStatus::RequestTimedOut ? Outcome::Timeout : Outcome::Failure;
        kept.text = outcome.errorText;
        break;
    }
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
