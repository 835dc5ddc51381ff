// Preloaded into the program by the clock-step test: the wall clock
// (CLOCK_REALTIME and gettimeofday) runs ahead by as many seconds as the
// file named by QV_CLOCK_OFFSET_FILE says, read again every few tens of
// milliseconds; the monotonic clock is left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

using ClockGettime = int (*)(clockid_t, timespec*);

ClockGettime realClock()
{
    static const auto real = reinterpret_cast<ClockGettime>(dlsym(RTLD_NEXT, "clock_gettime"));
    return real;
}

std::atomic<long long> offsetSeconds{0};
std::atomic<long long> readAtMs{-1000};

long long offset()
{
    timespec now{};
    realClock()(CLOCK_MONOTONIC, &now);
    const long long nowMs = now.tv_sec * 1000LL + now.tv_nsec / 1000000;
    if (nowMs - readAtMs.load() < 20)
        return offsetSeconds.load();
    readAtMs = nowMs;
    const char* path = getenv("QV_CLOCK_OFFSET_FILE");
    const int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        return offsetSeconds.load();
    char text[32] = {};
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n > 0)
        offsetSeconds = strtoll(text, nullptr, 10);
    return offsetSeconds.load();
}

bool isWall(clockid_t clock)
{
    return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

}

extern "C" int clock_gettime(clockid_t clock, timespec* when) noexcept
{
    const int result = realClock()(clock, when);
    if (result == 0 && isWall(clock))
        when->tv_sec += offset();
    return result;
}

extern "C" int gettimeofday(timeval* when, void* zone) noexcept
{
    timespec now{};
    const int result = clock_gettime(CLOCK_REALTIME, &now);
    if (result == 0) {
        when->tv_sec = now.tv_sec;
        when->tv_usec = now.tv_nsec / 1000;
    }
    if (zone)
        *static_cast<struct timezone*>(zone) = {};
    return result;
}
