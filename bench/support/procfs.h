#pragma once

#include <QtGlobal>

// What the kernel knows about a running process (Linux /proc).
namespace ProcFs {

constexpr qint64 unknown = -1;

// User plus system CPU time the process has used so far, in nanoseconds.
qint64 cpuTimeNs(qint64 pid);
// Time the process's threads have spent on a CPU, in nanoseconds, from the
// scheduler's own accounting (finer than the clock ticks of cpuTimeNs; a
// thread that has already ended no longer counts).
qint64 scheduledNs(qint64 pid);
// The peak resident set size (VmHWM), in KiB.
qint64 peakResidentKib(qint64 pid);
// The resident set size now (VmRSS), in KiB.
qint64 residentKib(qint64 pid);

inline double mib(qint64 kib)
{
    constexpr double kibPerMib = 1024;
    return double(kib) / kibPerMib;
}

} // namespace ProcFs
