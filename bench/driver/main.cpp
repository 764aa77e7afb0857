// The benchmark driver: runs the benchmark named, which prints its rows and
// details; scripts/bench runs them all. --quick shortens them, for trying out.

#include "bench.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

constexpr int quickDivisor = 6;
constexpr int exitNotMeasured = 1;
constexpr int exitUsage = 2;

bool quick = false;

int scaled(int full)
{
    return quick ? std::max(1, full / quickDivisor) : full;
}

constexpr std::pair<const char *, bool (*)(Scale)> benchmarks[]
    = {{"startup", benchStartup}, {"polling", benchPolling}, {"store", benchStore}};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    quick = arguments.contains(QStringLiteral("--quick"));
    if (arguments.value(0) == QLatin1String("qt-version")) {
        Report::detail(QString::fromLatin1(qVersion()));
        return EXIT_SUCCESS;
    }
    QStringList names;
    for (const auto &[name, run] : benchmarks) {
        if (arguments.value(0) == QLatin1String(name))
            return run(scaled) ? EXIT_SUCCESS : exitNotMeasured;
        names << QLatin1String(name);
    }
    printLine(stderr, text("usage: pelsado-bench %1|qt-version [--quick]", names.join(u'|')));
    return exitUsage;
}
