#pragma once

#include <netinet/in.h>

#include <array>
#include <compare>
#include <cstdint>
#include <string>

// An IPv4 or IPv6 address, ordered so that it can key the table of test hosts.
class HostAddress {
public:
    HostAddress() = default;
    explicit HostAddress(in_addr address);
    explicit HostAddress(const in6_addr &address);
    // Throws std::invalid_argument unless text is an IPv4 or IPv6 address.
    static HostAddress parse(const char *text);

    bool isV6() const { return family_ == AF_INET6; }
    in_addr v4() const;
    in6_addr v6() const;
    // As inet_ntop writes it.
    std::string text() const;

    auto operator<=>(const HostAddress &) const = default;

private:
    int family_ = AF_INET;
    std::array<std::uint8_t, sizeof(in6_addr)> bytes_{};
};
