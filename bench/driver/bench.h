#pragma once

#include "measure.h"
#include "simulatorprocess.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// The driver's standard output, which scripts/bench puts on the performance
// page: rows of the results table ("result " and the markdown row) and
// details in markdown (any other line).
struct Report
{
    static constexpr double hundredthsBelowMs = 10;

    // `met`: whether the target was met; nothing for a row without a target.
    static void row(const QString &measurement, const QString &result, const QString &target,
        std::optional<bool> met);
    // A measurement that could not be taken, with the reason; always false.
    static bool failed(const QString &measurement, const QString &target, const QString &reason);
    static void detail(const QString &line) { printLine(stdout, line); }

    static QString fixed(double value, int decimals, const char *unit)
    {
        return QString::number(value, 'f', decimals) + QString::fromUtf8(unit);
    }
    static QString ms(double value)
    {
        return fixed(value, value < hundredthsBelowMs ? 2 : 1, " ms");
    }
    static QString us(double value) { return fixed(value, 0, " µs"); }
    static QString percent(double value) { return fixed(value, 3, " %"); }
    static QString mib(qint64 kib) { return fixed(double(kib) / kibPerMib, 1, " MiB"); }
    static QString ratio(double value) { return fixed(value, 2, " ×"); }
};

// A benchmark's scratch folder and the environment its programs run in:
// offscreen, with settings, data and the shared store inside the folder, so
// that the user's own are never read or touched.
class Workspace
{
public:
    static constexpr int shownTimeoutMs = 20000;
    static constexpr int exitTimeoutMs = 10000;

    QString path(const QString &name) const { return m_folder.filePath(name); }
    // A base station with one terminal (or serial terminals) on the link `linkName`.
    std::unique_ptr<SimulatorProcess> startSimulator(const QString &linkName, const QString &mode);
    // A program built beside the driver, its COM1 `linkName`, its errors in NAME.log.
    std::unique_ptr<LineProcess> start(const QString &program, const QStringList &arguments,
        const QString &linkName, const QString &name);

private:
    QProcessEnvironment environment(const QString &linkName) const;

    QTemporaryDir m_folder {QDir::tempPath() + QStringLiteral("/pelsado-bench-XXXXXX")};
};

// The benchmarks: each passes its full counts and periods through `scale`
// (shorter for a quick run) and returns false when it could not measure.
using Scale = int (*)(int full);
bool benchStartup(Scale scale);
bool benchPolling(Scale scale);
bool benchStore(Scale scale);
