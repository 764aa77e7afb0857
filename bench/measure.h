#pragma once

#include "lineprocess.h"

#include <QString>

#include <cstdio>
#include <functional>
#include <vector>

// What the benchmark programs measure with: the steady clock (the one
// LineProcess stamps lines with, so that a time a program reports compares
// with a time its driver took), order statistics and /proc.
constexpr double nsPerUs = 1e3;
constexpr double nsPerMs = 1e6;
constexpr double nsPerSecond = 1e9;
constexpr int usPerMs = 1000;
constexpr int msPerSecond = 1000;
constexpr double percentPerShare = 100;
constexpr double bytesPerKib = 1024;
constexpr double kibPerMib = 1024;

inline qint64 monotonicNs()
{
    return LineProcess::nowNs();
}

// One line on `stream`, flushed at once for the reader that waits for it.
void printLine(std::FILE *stream, const QString &line);

// `format` (UTF-8) with %1, %2, ... replaced by `args` in turn.
template<typename... Args>
QString text(const char *format, const Args &...args)
{
    QString result = QString::fromUtf8(format);
    ((result = result.arg(args)), ...);
    return result;
}

// Nearest-rank percentiles: every figure reported is a value that was measured.
struct Summary
{
    int count = 0;
    double min = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};
Summary summarize(std::vector<double> values);

// `operation` run `repeats` times, `prepare` (not timed) before each: the
// durations in ms, and whether every run returned true.
struct Timing
{
    Summary ms;
    bool allSucceeded = false;
};
Timing timeMs(
    int repeats, const std::function<bool()> &operation, const std::function<void()> &prepare = {});

namespace ProcFs {
constexpr qint64 unknown = -1;
// User plus system CPU time so far, from the clock ticks of /proc/PID/stat.
qint64 cpuTimeNs(qint64 pid);
// Time on a CPU from the scheduler's own ns accounting (/proc/PID/task/*/schedstat).
qint64 scheduledNs(qint64 pid);
// A size of /proc/PID/status in KiB: "VmHWM:" (peak resident) or "VmRSS:".
qint64 statusKib(qint64 pid, const char *field = "VmHWM:");
// The first child process of `pid`, or 0.
qint64 firstChild(qint64 pid);
} // namespace ProcFs
