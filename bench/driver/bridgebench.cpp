// The link library in-process and through the link bridge, side by side: the
// tool (the probed harness) runs once each way against its own simulator; the
// bridge's own start is timed in the driver.

#include "benchclock.h"
#include "benchmarks.h"
#include "bridgetransport.h"
#include "childprocess.h"
#include "linklibrary.h"
#include "operatormessages.h"
#include "procfs.h"
#include "report.h"
#include "statistics.h"
#include "ticksummary.h"
#include "workspace.h"

#include <QDir>
#include <QFile>

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr double targetTickUs = 500;
constexpr double targetP99Ms = 105;
constexpr double targetStartMs = 50;
constexpr double targetIdlePercent = 0.3;
constexpr int shownTimeoutMs = 20000;
constexpr int replyTimeoutMs = 2000;
constexpr int exitTimeoutMs = 10000;
constexpr int settleMs = 1000;
constexpr int pollIntervalMs = 100;
constexpr int simulatorTerminals = 1;
constexpr double hundred = 100;
constexpr double nsPerSecond = 1e9;
const QString checkedOptions = QStringLiteral("1,2,3,4,5,6");
const QString request = QStringLiteral("request 1 LASER RESET");

// Counts what the operator would have been told.
class CountedMessages final : public OperatorMessages
{
public:
    int shown = 0;
    void show(const QString &) override { ++shown; }
};

// The first child process of `pid` (the bridge the tool started), or 0.
qint64 childOf(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (children.open(QIODevice::ReadOnly)) {
            const QByteArray first = children.readAll().simplified().split(' ').value(0);
            if (!first.isEmpty())
                return first.toLongLong();
        }
    }
    return 0;
}

struct Run
{
    QString error; // empty when measured
    TickSummary idleTicks;
    Summary replies;
    int lost = 0;
    double idlePercent = 0;
};

Run runTool(bool overBridge, const BridgeSettings &settings)
{
    Run run;
    Workspace workspace;
    ChildProcess simulator(QStringLiteral("wendalink-sim"));
    if (!workspace.isValid()
        || !workspace.startSimulator(
            simulator, QStringLiteral("com1"), "base", simulatorTerminals, run.error))
        return run;
    ChildProcess tool(QStringLiteral("pelsado-bench-tool"));
    QStringList arguments {QStringLiteral("--check"), checkedOptions};
    if (overBridge)
        arguments << QStringLiteral("--bridge");
    if (!tool.start(Workspace::program("pelsado-bench-tool"), arguments,
            workspace.environment(workspace.path(QStringLiteral("com1"))),
            workspace.path(QStringLiteral("tool.log")))
        || !tool.waitForLine(QStringLiteral("at shown"), shownTimeoutMs)
        || !tool.history().contains(QStringLiteral("mode base"))) {
        run.error = QStringLiteral("the tool did not reach the base station: ") + tool.errorTail();
        return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));

    const qint64 bridge = overBridge ? childOf(tool.pid()) : 0;
    if (overBridge && bridge == 0) {
        run.error = QStringLiteral("no bridge process under the tool");
        return run;
    }
    const auto cpuNs = [&] {
        return ProcFs::cpuTimeNs(tool.pid()) + (bridge ? ProcFs::cpuTimeNs(bridge) : 0);
    };
    const qint64 cpuStart = cpuNs();
    std::this_thread::sleep_for(std::chrono::seconds(settings.idleSeconds));
    run.idlePercent = double(cpuNs() - cpuStart) / (settings.idleSeconds * nsPerSecond) * hundred;

    std::vector<double> replies;
    for (int sent = 0; sent < settings.requests; ++sent) {
        // Spread over the polling period without a random source: a prime step.
        constexpr int phaseStepMs = 37;
        std::this_thread::sleep_for(std::chrono::milliseconds(sent * phaseStepMs % pollIntervalMs));
        simulator.send(request);
        const auto out = simulator.waitForLine(QStringLiteral("request 1 sent"), replyTimeoutMs);
        const auto reply = out ? simulator.waitForLine(QStringLiteral("config 1 "), replyTimeoutMs)
                               : std::nullopt;
        if (reply)
            replies.push_back(double(reply->readAtNs - out->readAtNs) / nsPerMs);
        else
            ++run.lost;
    }
    run.replies = summarize(replies);

    tool.closeInput();
    if (const auto ticks = tool.waitForLine(QStringLiteral("ticks idle"), exitTimeoutMs))
        run.idleTicks = parseTicks(ticks->text);
    tool.waitForExit(exitTimeoutMs);
    simulator.send(QStringLiteral("quit"));
    simulator.waitForExit(exitTimeoutMs);
    if (run.idleTicks.count == 0 || run.replies.count == 0)
        run.error = QStringLiteral("no tick or no reply was timed");
    return run;
}

// From constructing the tool's side to the first answer: the bridge starts,
// loads `library` and makes one call.
Summary bridgeStarts(int runs, const QString &library, int &messagesShown)
{
    CountedMessages messages;
    std::vector<double> starts;
    for (int i = 0; i < runs; ++i) {
        const qint64 begin = monotonicNs();
        BridgeTransport bridge(
            messages, {Workspace::program(BridgeTransport::bridgeName), library});
        LinkLibrary link(bridge, messages);
        link.radio_set_baudrate(0); // no line is open: refused, and nothing touched
        starts.push_back(double(monotonicNs() - begin) / nsPerMs);
    }
    messagesShown = messages.shown;
    return summarize(starts);
}

} // namespace

bool benchBridge(const BridgeSettings &settings)
{
    const Run inProcess = runTool(false, settings);
    const Run bridged = runTool(true, settings);
    const QString ways = QStringLiteral("in-process / **bridge**");
    for (const Run *run : {&inProcess, &bridged}) {
        if (!run->error.isEmpty()) {
            Report::failed(QStringLiteral("Link bridge"), QStringLiteral("-"), run->error);
            return false;
        }
    }
    Report::row(QStringLiteral("Tick that finds nothing, median / p99 (%1)").arg(ways),
        QStringLiteral("%1 / %2; **%3 / %4**")
            .arg(Report::us(inProcess.idleTicks.medianUs), Report::us(inProcess.idleTicks.p99Us),
                Report::us(bridged.idleTicks.medianUs), Report::us(bridged.idleTicks.p99Us)),
        QStringLiteral("bridge ≤ %1 µs").arg(targetTickUs),
        Report::verdict(bridged.idleTicks.medianUs <= targetTickUs));
    Report::row(QStringLiteral("Request to reply, p99 of %1 (%2)").arg(settings.requests).arg(ways),
        QStringLiteral("%1; **%2** (lost %3 / %4)")
            .arg(Report::ms(inProcess.replies.p99), Report::ms(bridged.replies.p99))
            .arg(inProcess.lost)
            .arg(bridged.lost),
        QStringLiteral("p99 ≤ %1 ms").arg(targetP99Ms),
        Report::verdict(bridged.replies.p99 <= targetP99Ms && bridged.lost == 0));
    Report::row(QStringLiteral("Idle CPU over %1 s, tool (and bridge) (%2)")
                    .arg(settings.idleSeconds)
                    .arg(ways),
        QStringLiteral("%1; **%2**")
            .arg(Report::percent(inProcess.idlePercent), Report::percent(bridged.idlePercent)),
        QStringLiteral("≤ %1 % of one core").arg(targetIdlePercent),
        Report::verdict(bridged.idlePercent <= targetIdlePercent));
    int failures = 0;
    const Summary starts = bridgeStarts(settings.starts, QStringLiteral("wendalink"), failures);
    // A name that is not there: the bridge's own start, without a library's.
    int expectedFailures = 0;
    const Summary bare
        = bridgeStarts(settings.starts, QStringLiteral("no-library-bench"), expectedFailures);
    if (failures > 0) {
        Report::failed(QStringLiteral("Bridge start"), QStringLiteral("≤ %1 ms").arg(targetStartMs),
            QStringLiteral("the bridge did not load the stand-in"));
        return false;
    }
    Report::row(
        QStringLiteral("Bridge start to first answer, median / p99 of %1").arg(starts.count),
        QStringLiteral("%1 / **%2**").arg(Report::ms(starts.median), Report::ms(starts.p99)),
        QStringLiteral("≤ %1 ms").arg(targetStartMs), Report::verdict(starts.p99 <= targetStartMs));

    Report::detail(QStringLiteral("\n### Link bridge\n"));
    Report::detail(QStringLiteral(
        "- The tool ran twice against its own simulator, once loading the stand-in in-process "
        "and once through `wendalink-bridge` (native build), idle for %1 s, then %2 requests. "
        "The tick figures come from the ticks that found nothing; idle CPU adds the bridge's "
        "own CPU time to the tool's. The bridge start is timed in the driver: constructing the "
        "tool's side, starting the bridge, loading the stand-in and one call "
        "(`radio_set_baudrate`, refused with no line open). Loading the stand-in (Qt Core, "
        "Qt Serial Port and pugixml with it) is part of that: the same start with no library to "
        "load (answered \"library missing\") takes %3 (median; p99 %4).")
                       .arg(settings.idleSeconds)
                       .arg(settings.requests)
                       .arg(Report::ms(bare.median), Report::ms(bare.p99)));
    return true;
}
