#include "RequestLog.h"

#include <arpa/inet.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

std::string addressText(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace

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

    std::string line = "dst=" + addressText(request.destination) + " src=" + addressText(request.source) + fields;
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
