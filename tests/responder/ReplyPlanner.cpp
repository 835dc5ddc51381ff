#include "ReplyPlanner.h"

#include "EchoMessage.h"
#include "InternetChecksum.h"
#include "tests/net/TestNet.h"

namespace {

EchoMessage correctReply(const EchoRequest &request)
{
    const std::uint8_t type = request.destination.isV6() ? EchoMessage::Reply6Type : EchoMessage::ReplyType;
    return {type, request.identifier, request.sequence, request.payload};
}

PlannedReply sendBack(const EchoRequest &request, const EchoMessage &message, std::chrono::nanoseconds delay = {})
{
    return {delay, request.destination, request.source, message.encode()};
}

// The look-alikes below differ from the correct reply in the named field
// only, and carry a valid checksum, so that a receiver must check that field
// to reject them.

EchoMessage withWrongIdentifier(EchoMessage message)
{
    message.identifier = static_cast<std::uint16_t>(~message.identifier);
    return message;
}

// Far from the request's own number, so that it never equals the number of
// another request that is outstanding at the same time.
EchoMessage withWrongSequence(EchoMessage message)
{
    message.sequence = static_cast<std::uint16_t>(message.sequence ^ 0x8000);
    return message;
}

EchoMessage truncated(EchoMessage message)
{
    message.payload.pop_back();
    return message;
}

EchoMessage withAlteredPayload(EchoMessage message)
{
    message.payload.back() ^= 0xff;
    return message;
}

EchoMessage asRequest(EchoMessage message)
{
    message.type = EchoMessage::RequestType;
    return message;
}

PlannedReply withBadChecksum(PlannedReply reply)
{
    // Flipping a single bit can never yield the other ones' complement
    // representation of the same sum.
    reply.icmp[3] ^= 0x01;
    return reply;
}

// An ICMP error from the host itself that quotes the request, as a router's
// report would.
PlannedReply reportAbout(const EchoRequest &request, std::uint8_t type, std::uint8_t code,
                         std::chrono::nanoseconds delay = {})
{
    std::vector<std::uint8_t> icmp{type, code, 0, 0, 0, 0, 0, 0};
    icmp.insert(icmp.end(), request.datagram.begin(), request.datagram.end());
    const std::uint16_t sum = internetChecksum(icmp);
    icmp[2] = static_cast<std::uint8_t>(sum >> 8);
    icmp[3] = static_cast<std::uint8_t>(sum);
    return {delay, request.destination, request.source, icmp};
}

std::vector<PlannedReply> mixedBurst(const EchoRequest &request)
{
    const EchoMessage reply = correctReply(request);
    const bool hasPayload = !reply.payload.empty();
    std::vector<PlannedReply> burst{
        sendBack(request, withWrongIdentifier(reply)),
        sendBack(request, withWrongSequence(reply)),
    };
    if (hasPayload)
        burst.push_back(sendBack(request, truncated(reply)));
    burst.push_back(withBadChecksum(sendBack(request, reply)));
    if (hasPayload)
        burst.push_back(sendBack(request, withAlteredPayload(reply)));
    burst.push_back(sendBack(request, asRequest(reply)));
    burst.push_back(sendBack(request, reply, testnet::MixedReplyAfter));
    burst.push_back(sendBack(request, reply, testnet::MixedReplyAfter));
    return burst;
}

} // namespace

ReplyPlanner::ReplyPlanner()
    : hosts_{
          {HostAddress::parse(testnet::Echo), Behaviour::Immediate},
          {HostAddress::parse(testnet::Delayed), Behaviour::Delayed},
          {HostAddress::parse(testnet::DelayedToo[0]), Behaviour::Delayed},
          {HostAddress::parse(testnet::DelayedToo[1]), Behaviour::Delayed},
          {HostAddress::parse(testnet::Delayed200), Behaviour::Delayed200},
          {HostAddress::parse(testnet::PastTimeOut), Behaviour::PastTimeOut},
          {HostAddress::parse(testnet::Silent), Behaviour::Silent},
          {HostAddress::parse(testnet::OtherAddr), Behaviour::FromOtherAddress},
          {HostAddress::parse(testnet::WrongId), Behaviour::WrongIdentifier},
          {HostAddress::parse(testnet::WrongSeq), Behaviour::WrongSequence},
          {HostAddress::parse(testnet::Truncated), Behaviour::Truncated},
          {HostAddress::parse(testnet::Duplicated), Behaviour::Duplicated},
          {HostAddress::parse(testnet::Mixed), Behaviour::Mixed},
          {HostAddress::parse(testnet::QuenchThenReply), Behaviour::QuenchThenReply},
          {HostAddress::parse(testnet::ReplyThenReport), Behaviour::ReplyThenReport},
          {HostAddress::parse(testnet::v6::Echo), Behaviour::Immediate},
          {HostAddress::parse(testnet::v6::Delayed), Behaviour::Delayed},
          {HostAddress::parse(testnet::v6::Delayed200), Behaviour::Delayed200},
          {HostAddress::parse(testnet::v6::Silent), Behaviour::Silent},
          {HostAddress::parse(testnet::v6::OtherAddr), Behaviour::FromOtherAddress},
      }
    , otherReplyAddress_(HostAddress::parse(testnet::OtherReplyAddr))
    , otherReplyAddress6_(HostAddress::parse(testnet::v6::OtherReplyAddr))
{
}

std::vector<PlannedReply> ReplyPlanner::plan(const EchoRequest &request) const
{
    const auto host = hosts_.find(request.destination);
    if (!request.checksumValid || host == hosts_.end())
        return {};

    const EchoMessage reply = correctReply(request);
    switch (host->second) {
    case Behaviour::Immediate:
        return {sendBack(request, reply)};
    case Behaviour::Delayed:
        return {sendBack(request, reply, testnet::DelayedBy)};
    case Behaviour::Delayed200:
        return {sendBack(request, reply, testnet::Delayed200By)};
    case Behaviour::PastTimeOut:
        return {sendBack(request, reply, testnet::PastTimeOutBy)};
    case Behaviour::Silent:
        return {};
    case Behaviour::FromOtherAddress: {
        PlannedReply fromOther = sendBack(request, reply);
        fromOther.source = request.destination.isV6() ? otherReplyAddress6_ : otherReplyAddress_;
        return {fromOther};
    }
    case Behaviour::WrongIdentifier:
        return {sendBack(request, withWrongIdentifier(reply))};
    case Behaviour::WrongSequence:
        return {sendBack(request, withWrongSequence(reply))};
    case Behaviour::Truncated:
        // Nothing to cut off: silence rather than a correct reply.
        if (reply.payload.empty())
            return {};
        return {sendBack(request, truncated(reply))};
    case Behaviour::Duplicated:
        return {sendBack(request, reply), sendBack(request, reply)};
    case Behaviour::Mixed:
        return mixedBurst(request);
    case Behaviour::QuenchThenReply:
        return {reportAbout(request, 4, 0), sendBack(request, reply, testnet::QuenchReplyAfter)};
    case Behaviour::ReplyThenReport:
        return {sendBack(request, reply), reportAbout(request, 3, 1)};
    }
    return {};
}
