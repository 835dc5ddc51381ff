#include "monitor/window/EchoOutcome.h"

#include "ping/EchoService.h"
#include "ping/Icmp.h"
#include "ping/PingThrd.h"

EchoOutcome EchoOutcome::of(const TPingThread& worker, const Moment& now)
{
    // A record without a reason would tell a failure as nothing: the
    // client's construction failure is the reason.
    if (!worker.ConstructionError.isEmpty())
        return {worker, now, Kind::NotSent, worker.ConstructionError};
    const bool answered = worker.ReplyCount != 0 && worker.ReplyStatus == IpStatus::Success;
    if (answered)
        return {worker, now, worker.ReplyAddress == worker.HostIP ? Kind::Reply : Kind::ForeignReply, worker.ErrorText};
    const QString errorText = worker.ReplyCount == 0 ? worker.ErrorText : TICMP::StatusText(worker.ReplyStatus);
    return {worker, now, errorText.isEmpty() ? Kind::Untold : Kind::Failure, errorText};
}
