#pragma once

#include "EchoListener.h"
#include "Icmp6EchoSocket.h"
#include "RawIpSender.h"
#include "ReplyPlanner.h"
#include "ReplyQueue.h"
#include "RequestLog.h"
#include "TerminationSignals.h"

#include <string>

// Plays all test hosts of the responder namespace, over IPv4 and IPv6: logs
// every echo request and sends back what the host asked would send, when it
// would.
class Responder {
public:
    // The log file appears only once the sockets are open, so whoever
    // started the responder can wait for it before sending anything.
    explicit Responder(const std::string &logPath);

    // Returns once SIGTERM or SIGINT arrives.
    void run();

private:
    template<typename Source>
    void receiveAll(Source &source);
    void sendDue();

    TerminationSignals signals_;
    EchoListener listener_;
    RawIpSender sender_;
    Icmp6EchoSocket socket6_;
    RequestLog log_;
    ReplyPlanner planner_;
    ReplyQueue queue_;
};
