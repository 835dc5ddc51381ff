#pragma once

#include "EchoRequest.h"

#include <chrono>

// An echo request and the moment the kernel took it off the wire.
struct ReceivedRequest {
    EchoRequest request;
    std::chrono::steady_clock::time_point arrived;
};
