#pragma once

#include <QtGlobal>

#include <chrono>

// The system-wide monotonic clock, in nanoseconds. Every benchmark process
// reads the same clock, so a time taken by the driver just before it starts a
// program can be compared with a time that program reports.
inline qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr double nsPerMs = 1e6;
constexpr double nsPerUs = 1e3;
