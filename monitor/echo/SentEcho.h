#pragma once

#include "monitor/echo/Moment.h"

#include <cstdint>

// When and in which order one echo was sent: outcomes arrive in the order
// the echoes finish, but a host is judged by the order they were sent.
struct SentEcho {
    std::uint64_t sequence = 0;
    Moment at;

    // The next in send order, for the whole run: a listener that starts
    // afresh compares with the next one still to come.
    static SentEcho next(const Moment& at);
    static std::uint64_t following();
};
