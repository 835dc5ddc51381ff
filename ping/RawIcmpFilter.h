#pragma once

#include "ping/IcmpFamily.h"

#include <cstdint>

// Lets through to a raw ICMP socket only what can concern our echoes.
void filterRawSocket(int fd, const IcmpFamily& family, std::uint16_t identifier);
