#include "monitor/echo/SentEcho.h"

namespace {

// Echoes are sent by the GUI thread alone.
std::uint64_t nextSequence = 0;

}

SentEcho SentEcho::next(const Moment& at)
{
    return {nextSequence++, at};
}

std::uint64_t SentEcho::following()
{
    return nextSequence;
}
