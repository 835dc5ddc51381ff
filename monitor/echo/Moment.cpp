#include "monitor/echo/Moment.h"

#include "monitor/files/LocalClock.h"

#include <chrono>

Moment Moment::now()
{
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    return {LocalClock::current(), std::chrono::duration_cast<std::chrono::milliseconds>(steady).count()};
}
