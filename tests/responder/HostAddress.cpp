#include "HostAddress.h"

#include <arpa/inet.h>

#include <cstring>
#include <stdexcept>

HostAddress::HostAddress(in_addr address)
{
    std::memcpy(bytes_.data(), &address, sizeof address);
}

HostAddress::HostAddress(const in6_addr &address)
    : family_(AF_INET6)
{
    std::memcpy(bytes_.data(), &address, sizeof address);
}

HostAddress HostAddress::parse(const char *text)
{
    in_addr v4;
    if (inet_pton(AF_INET, text, &v4) == 1)
        return HostAddress(v4);
    in6_addr v6;
    if (inet_pton(AF_INET6, text, &v6) == 1)
        return HostAddress(v6);
    throw std::invalid_argument(std::string("not an IP address: ") + text);
}

in_addr HostAddress::v4() const
{
    in_addr address;
    std::memcpy(&address, bytes_.data(), sizeof address);
    return address;
}

in6_addr HostAddress::v6() const
{
    in6_addr address;
    std::memcpy(&address, bytes_.data(), sizeof address);
    return address;
}

std::string HostAddress::text() const
{
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(family_, bytes_.data(), text, sizeof text);
    return text;
}
