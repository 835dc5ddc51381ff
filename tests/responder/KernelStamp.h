#pragma once

#include <chrono>
#include <ctime>

// The kernel stamps arrivals (SO_TIMESTAMPNS) on the wall clock, which may be
// stepped; the age of the stamp carries over to the steady clock that times
// replies.
inline std::chrono::steady_clock::time_point steadyFromKernelStamp(const timespec &wallStamp)
{
    const auto stamp = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(wallStamp.tv_sec) + std::chrono::nanoseconds(wallStamp.tv_nsec)));
    const auto age = std::chrono::system_clock::now() - stamp;
    return std::chrono::steady_clock::now() - age;
}
