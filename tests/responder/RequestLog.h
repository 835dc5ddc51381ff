#pragma once

#include "EchoRequest.h"
#include "FileDescriptor.h"

#include <string>

// Records each echo request as one line, e.g.
//   dst=198.18.2.20 src=198.18.0.2 ttl=63 id=4660 seq=7 len=3 data=616263
//   dst=2001:db8:2::20 src=2001:db8::2 ttl=63 id=4660 seq=7 len=0 data=
// where ttl is the hop limit for IPv6.
// Each line goes out in a single write, so a reader never waits on a buffer.
class RequestLog {
public:
    explicit RequestLog(const std::string &path);

    void record(const EchoRequest &request);

private:
    FileDescriptor file_;
    bool failureReported_ = false;
};
