#include "ReplyPlanner.h"

#include "EchoMessage.h"
#include "tests/net/TestNet.h"

#include <arpa/inet.h>

#include <stdexcept>
#include <string>

namespace {

in_addr parseAddress(const char *text)
{
    in_addr address;
    if (inet_pton(AF_INET, text, &address) != 1)
        throw std::invalid_argument(std::string("not an IPv4 address: ") + text);
    return address;
}

EchoMessage correctReply(const EchoRequest &request)
{
    return {EchoMessage::ReplyType, request.identifier, request.sequence, request.payload};
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
          {parseAddress(testnet::Echo).s_addr, Behaviour::Immediate},
          {parseAddress(testnet::Delayed).s_addr, Behaviour::Delayed},
          {parseAddress(testnet::Delayed200).s_addr, Behaviour::Delayed200},
          {parseAddress(testnet::Silent).s_addr, Behaviour::Silent},
          {parseAddress(testnet::OtherAddr).s_addr, Behaviour::FromOtherAddress},
          {parseAddress(testnet::WrongId).s_addr, Behaviour::WrongIdentifier},
          {parseAddress(testnet::WrongSeq).s_addr, Behaviour::WrongSequence},
          {parseAddress(testnet::Truncated).s_addr, Behaviour::Truncated},
          {parseAddress(testnet::Duplicated).s_addr, Behaviour::Duplicated},
          {parseAddress(testnet::Mixed).s_addr, Behaviour::Mixed},
      }
    , otherReplyAddress_(parseAddress(testnet::OtherReplyAddr))
{
}

std::vector<PlannedReply> ReplyPlanner::plan(const EchoRequest &request) const
{
    const auto host = hosts_.find(request.destination.s_addr);
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
    case Behaviour::Silent:
        return {};
    case Behaviour::FromOtherAddress: {
        PlannedReply fromOther = sendBack(request, reply);
        fromOther.source = otherReplyAddress_;
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
    }
    return {};
}
