#pragma once

#include "EchoRequest.h"
#include "PlannedReply.h"

#include <map>
#include <vector>

// Decides what the test hosts send back for an echo request, by the address
// the request was sent to. Requests with a bad checksum are dropped, as a
// kernel would.
class ReplyPlanner {
public:
    ReplyPlanner();

    std::vector<PlannedReply> plan(const EchoRequest &request) const;

private:
    enum class Behaviour {
        Immediate,
        Delayed,
        Delayed200,
        PastTimeOut,
        Silent,
        FromOtherAddress,
        WrongIdentifier,
        WrongSequence,
        Truncated,
        Duplicated,
        Mixed,
        QuenchThenReply,
        ReplyThenReport,
    };

    std::map<HostAddress, Behaviour> hosts_;
    HostAddress otherReplyAddress_;
    HostAddress otherReplyAddress6_;
};
