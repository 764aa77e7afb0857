#pragma once

#include <QString>

// The probe's report on the polling ticks of one kind:
// "ticks KIND COUNT MEDIAN_US P99_US MAX_US".
struct TickSummary
{
    int count = 0;
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
};

// An empty summary (count 0) when the line is not such a report.
TickSummary parseTicks(const QString &line);
