// The benchmark driver: runs one benchmark and prints its rows of the results
// table, then its details. scripts/bench runs them all and writes
// docs/performance.md.
//
//   pelsado-bench startup|reply|idle|store|bridge|flood|qt-version [--quick]
//
// --quick divides every count and period, for trying things out; the page is
// made from full runs.

#include "bench.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// Full runs; --quick divides each count and period by quickDivisor.
constexpr int startupRuns = 15;
constexpr int startupWarmupRuns = 2;
constexpr int replyRequests = 300;
constexpr int idleSeconds = 60;
constexpr int saveRepeats = 50;
constexpr int fileRepeats = 500;
constexpr int bridgeIdleSeconds = 20;
constexpr int bridgeRequests = 200;
constexpr int bridgeStarts = 30;
constexpr int floodSeconds = 60;
constexpr int quickDivisor = 6;
constexpr int exitNotMeasured = 1;
constexpr int exitUsage = 2;
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const auto n = [quick](int full) {
        return quick ? std::max(1, full / quickDivisor) : full;
    };
    const QString benchmark = arguments.value(0);
    bool measured = true;
    if (benchmark == QLatin1String("startup"))
        measured = benchStartup(n(startupRuns), startupWarmupRuns);
    else if (benchmark == QLatin1String("reply"))
        measured = benchReply(n(replyRequests));
    else if (benchmark == QLatin1String("idle"))
        measured = benchIdle(n(idleSeconds));
    else if (benchmark == QLatin1String("store"))
        measured = benchStore(n(saveRepeats), n(fileRepeats));
    else if (benchmark == QLatin1String("bridge"))
        measured = benchBridge(n(bridgeIdleSeconds), n(bridgeRequests), n(bridgeStarts));
    else if (benchmark == QLatin1String("flood"))
        measured = benchFlood(n(floodSeconds));
    else if (benchmark == QLatin1String("qt-version"))
        Report::detail(QString::fromLatin1(qVersion()));
    else {
        Report::progress(QStringLiteral(
            "usage: pelsado-bench startup|reply|idle|store|bridge|flood|qt-version [--quick]"));
        return exitUsage;
    }
    return measured ? EXIT_SUCCESS : exitNotMeasured;
}
