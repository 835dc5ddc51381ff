#include "ping/EngineTurn.h"

namespace {

// The engine runs on one thread, its creator's event loop.
int depth = 0;
void (*turnEnd)() = nullptr;

}

void EngineTurn::run(const std::function<void()>& engineWork)
{
    ++depth;
    try {
        engineWork();
    } catch (...) {
        --depth;
        throw;
    }
    // The engine's objects may be gone now: nothing of theirs is touched.
    if (--depth == 0 && turnEnd)
        turnEnd();
}

bool EngineTurn::inTurn()
{
    return depth > 0;
}

void EngineTurn::setEnd(void (*end)())
{
    turnEnd = end;
}
