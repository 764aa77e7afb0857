#pragma once

#include <vector>

// Order statistics of a sample (nearest-rank percentiles: every figure reported
// is a value that was actually measured).
struct Summary
{
    int count = 0;
    double min = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
    double mean = 0;
};

Summary summarize(std::vector<double> values);
// The nearest-rank percentile `percent` (0..100) of sorted values.
double percentile(const std::vector<double> &sorted, double percent);
