#pragma once

#include <QString>

// What the driver prints on standard output: rows of the results table
// (lines beginning with "result ", then the markdown row) and detail lines in
// markdown (anything else), which scripts/bench places on the performance
// page. Progress goes to standard error.
namespace Report {

enum class Verdict { Met, Missed, NoTarget };

void row(const QString &measurement, const QString &result, const QString &target, Verdict verdict);
// A measurement that could not be taken, with the reason.
void failed(const QString &measurement, const QString &target, const QString &reason);
void detail(const QString &line);
void progress(const QString &line);

inline Verdict verdict(bool met)
{
    return met ? Verdict::Met : Verdict::Missed;
}

QString ms(double milliseconds);
QString us(double microseconds);
QString percent(double value);

} // namespace Report
