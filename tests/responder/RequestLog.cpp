#include "RequestLog.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

RequestLog::RequestLog(const std::string &path)
    : file_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644))
{
    if (file_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + path);
}

void RequestLog::record(const EchoRequest &request)
{
    char fields[160];
    std::snprintf(fields, sizeof fields, " ttl=%u id=%u seq=%u len=%zu data=", unsigned{request.ttl},
                  unsigned{request.identifier}, unsigned{request.sequence}, request.payload.size());

    std::string line = "dst=" + request.destination.text() + " src=" + request.source.text() + fields;
    static constexpr char Hex[] = "0123456789abcdef";
    for (std::uint8_t byte : request.payload) {
        line += Hex[byte >> 4];
        line += Hex[byte & 0x0f];
    }
    line += '\n';

    if (::write(file_.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()) && !failureReported_) {
        std::fprintf(stderr, "quorvane-test-responder: writing the request log failed: %s\n", std::strerror(errno));
        failureReported_ = true;
    }
}
