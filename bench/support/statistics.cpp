#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {
constexpr double medianPercent = 50;
constexpr double p99Percent = 99;
constexpr double hundred = 100;
} // namespace

double percentile(const std::vector<double> &sorted, double percent)
{
    if (sorted.empty())
        return 0;
    const auto rank = std::size_t(std::ceil(percent / hundred * double(sorted.size())));
    return sorted.at(std::clamp<std::size_t>(rank, 1, sorted.size()) - 1);
}

Summary summarize(std::vector<double> values)
{
    Summary summary;
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    summary.count = int(values.size());
    summary.min = values.front();
    summary.median = percentile(values, medianPercent);
    summary.p99 = percentile(values, p99Percent);
    summary.max = values.back();
    summary.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    return summary;
}
