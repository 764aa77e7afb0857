#include "report.h"

#include <cstdio>

namespace {

constexpr int tenthsPrecision = 1;
constexpr int hundredthsPrecision = 2;
constexpr int thousandthsPrecision = 3;
constexpr double precisionLimitMs = 10;

constexpr const char *rowMarker = "result ";

void printLine(std::FILE *stream, const QString &line)
{
    std::fputs(line.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString verdictText(Report::Verdict verdict)
{
    switch (verdict) {
    case Report::Verdict::Met:
        return QStringLiteral("met");
    case Report::Verdict::Missed:
        return QStringLiteral("**missed**");
    case Report::Verdict::NoTarget:
        break;
    }
    return QStringLiteral("(report only)");
}

} // namespace

namespace Report {

void row(const QString &measurement, const QString &result, const QString &target, Verdict verdict)
{
    printLine(stdout,
        QStringLiteral("%1| %2 | %3 | %4 | %5 |")
            .arg(QLatin1String(rowMarker), measurement, result, target, verdictText(verdict)));
}

void failed(const QString &measurement, const QString &target, const QString &reason)
{
    printLine(stdout,
        QStringLiteral("%1| %2 | not measured: %3 | %4 | - |")
            .arg(QLatin1String(rowMarker), measurement, reason, target));
    progress(measurement + QStringLiteral(": not measured: ") + reason);
}

void detail(const QString &line)
{
    printLine(stdout, line);
}

void progress(const QString &line)
{
    printLine(stderr, line);
}

QString ms(double milliseconds)
{
    const int precision = milliseconds < precisionLimitMs ? hundredthsPrecision : tenthsPrecision;
    return QString::number(milliseconds, 'f', precision) + QStringLiteral(" ms");
}

QString us(double microseconds)
{
    return QString::number(microseconds, 'f', 0) + QStringLiteral(" µs");
}

QString percent(double value)
{
    return QString::number(value, 'f', thousandthsPrecision) + QStringLiteral(" %");
}

} // namespace Report
