// The benchmark driver: runs one benchmark and prints its rows of the results
// table, then its details (see report.h). scripts/bench runs them all and
// writes docs/performance.md.
//
//   pelsado-bench startup|reply|idle|store|bridge|flood|qt-version [--quick]
//
// --quick shortens every benchmark, for trying things out; the page is made
// from full runs.

#include "benchmarks.h"
#include "report.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

constexpr int startupRuns = 15;
constexpr int quickStartupRuns = 5;
constexpr int startupWarmupRuns = 2;
constexpr int replyRequests = 300;
constexpr int quickReplyRequests = 50;
constexpr int idleSeconds = 60;
constexpr int quickIdleSeconds = 10;
constexpr int saveRepeats = 50;
constexpr int quickSaveRepeats = 10;
constexpr int fileRepeats = 500;
constexpr int quickFileRepeats = 50;
constexpr int bridgeIdleSeconds = 20;
constexpr int quickBridgeIdleSeconds = 5;
constexpr int bridgeRequests = 200;
constexpr int quickBridgeRequests = 30;
constexpr int bridgeStarts = 30;
constexpr int quickBridgeStarts = 10;
constexpr int floodSeconds = 60;
constexpr int quickFloodSeconds = 10;

constexpr int exitOk = 0;
constexpr int exitNotMeasured = 1;
constexpr int exitUsage = 2;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString benchmark = arguments.value(0);
    const bool quick = arguments.contains(QStringLiteral("--quick"));

    bool measured = true;
    if (benchmark == QLatin1String("startup")) {
        measured = benchStartup({quick ? quickStartupRuns : startupRuns, startupWarmupRuns});
    } else if (benchmark == QLatin1String("reply")) {
        measured = benchReply({quick ? quickReplyRequests : replyRequests});
    } else if (benchmark == QLatin1String("idle")) {
        measured = benchIdle({quick ? quickIdleSeconds : idleSeconds});
    } else if (benchmark == QLatin1String("store")) {
        measured = benchStore(
            {quick ? quickSaveRepeats : saveRepeats, quick ? quickFileRepeats : fileRepeats});
    } else if (benchmark == QLatin1String("bridge")) {
        measured = benchBridge({quick ? quickBridgeIdleSeconds : bridgeIdleSeconds,
            quick ? quickBridgeRequests : bridgeRequests,
            quick ? quickBridgeStarts : bridgeStarts});
    } else if (benchmark == QLatin1String("flood")) {
        measured = benchFlood({quick ? quickFloodSeconds : floodSeconds});
    } else if (benchmark == QLatin1String("qt-version")) {
        Report::detail(QString::fromLatin1(qVersion()));
    } else {
        Report::progress(QStringLiteral(
            "usage: pelsado-bench startup|reply|idle|store|bridge|flood|qt-version [--quick]"));
        return exitUsage;
    }
    return measured ? exitOk : exitNotMeasured;
}
