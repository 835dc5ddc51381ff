#include "monitor/echo/EchoOutcome.h"

#include "ping/EchoService.h"
#include "ping/Icmp.h"
#include "ping/PingThrd.h"

EchoOutcome EchoOutcome::of(const TPingThread& worker, const SentEcho& sent, const Moment& now)
{
    EchoOutcome outcome;
    outcome.host = worker.HostText;
    outcome.sent = sent;
    outcome.now = now;
    outcome.roundTripMs = worker.RoundTripTime;
    outcome.replyDataSize = worker.ReplyDataSize;
    outcome.replyAddress = worker.ReplyAddress;
    const bool answered = worker.ReplyCount != 0 && worker.ReplyStatus == IpStatus::Success;
    if (!worker.ConstructionError.isEmpty()) {
        // A record without a reason would tell a failure as nothing: the
        // client's construction failure is the reason.
        outcome.kind = Kind::NotSent;
        outcome.errorText = worker.ConstructionError;
    } else if (answered) {
        outcome.kind = worker.ReplyAddress == worker.HostIP ? Kind::Reply : Kind::ForeignReply;
        outcome.errorText = worker.ErrorText;
    } else {
        outcome.errorText = worker.ReplyCount == 0 ? worker.ErrorText : TICMP::StatusText(worker.ReplyStatus);
        outcome.kind = outcome.errorText.isEmpty() ? Kind::Untold : Kind::Failure;
    }
    // A reply record that is no reply carries its status; without one, the
    // error number is the status.
    const std::uint32_t status = worker.ReplyCount == 0 ? worker.ErrorNumber : worker.ReplyStatus;
    outcome.timedOut = !outcome.answered() && status == IpStatus::RequestTimedOut;
    return outcome;
}
