#include "ticksummary.h"

#include <QStringList>

namespace {
constexpr int fieldCount = 6;
constexpr int countField = 2;
constexpr int medianField = 3;
constexpr int p99Field = 4;
constexpr int maxField = 5;
} // namespace

TickSummary parseTicks(const QString &line)
{
    const QStringList words = line.split(u' ');
    if (words.size() != fieldCount || words.at(0) != QLatin1String("ticks"))
        return {};
    return {words.at(countField).toInt(), words.at(medianField).toDouble(),
        words.at(p99Field).toDouble(), words.at(maxField).toDouble()};
}
