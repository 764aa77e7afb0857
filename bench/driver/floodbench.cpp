#include "benchclock.h"
#include "benchmarks.h"
#include "childprocess.h"
#include "procfs.h"
#include "report.h"
#include "workspace.h"

#include <chrono>
#include <optional>
#include <thread>

namespace {

constexpr double targetMemoryRatio = 1.2;
constexpr double targetReplyMs = 200;
constexpr int settleMs = 2000;
constexpr int replyTimeoutMs = 5000;
constexpr int floodEndSlackMs = 10000;
constexpr int exitTimeoutMs = 10000;
constexpr int msPerSecond = 1000;
constexpr double bytesPerMib = 1024 * 1024;
constexpr double percentPerShare = 100;

const QString memoryMeasurement = QStringLiteral("Memory after a full-speed frame flood");
const QString replyMeasurement = QStringLiteral("First reply after the flood stops");

// Sends one request and returns the time from its bytes being on the line to
// the reply, or nothing when no reply comes.
constexpr double unansweredMs = -1;

std::optional<double> requestReplyMs(ChildProcess &simulator)
{
    simulator.send(QStringLiteral("request 1"));
    const auto sent = simulator.waitForLine(QStringLiteral("request 1 sent"), replyTimeoutMs);
    const auto reply
        = sent ? simulator.waitForLine(QStringLiteral("config 1 "), replyTimeoutMs) : std::nullopt;
    if (!reply)
        return std::nullopt;
    return double(reply->readAtNs - sent->readAtNs) / nsPerMs;
}

QString mib(qint64 kib)
{
    return QString::number(ProcFs::mib(kib), 'f', 1) + QStringLiteral(" MiB");
}

} // namespace

bool benchFlood(const FloodSettings &settings)
{
    const QString memoryTarget = QStringLiteral("≤ %1 × idle").arg(targetMemoryRatio);
    const QString replyTarget = QStringLiteral("≤ %1 ms").arg(targetReplyMs);
    Workspace workspace;
    ChildProcess simulator(QStringLiteral("wendalink-sim"));
    ChildProcess tool(QStringLiteral("pelsado-bench-tool"));
    QString error;
    // One option checked, so that a request gets a list.
    if (!workspace.isValid()
        || !workspace.startToolOnBaseStation(simulator, tool, QStringLiteral("1"), error)) {
        Report::failed(memoryMeasurement, memoryTarget, error);
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const std::optional<double> replyBeforeMs = requestReplyMs(simulator);
    const qint64 idleKib = ProcFs::residentKib(tool.pid());
    const qint64 cpuBeforeNs = ProcFs::cpuTimeNs(tool.pid());

    Report::progress(QStringLiteral("flood: %1 s").arg(settings.seconds));
    simulator.send(QStringLiteral("flood %1").arg(settings.seconds));
    const auto flooded = simulator.waitForLine(
        QStringLiteral("flood "), settings.seconds * msPerSecond + floodEndSlackMs);
    const qint64 floodedKib = ProcFs::residentKib(tool.pid());
    const qint64 cpuAfterNs = ProcFs::cpuTimeNs(tool.pid());
    // A plain number rather than an optional: GCC's -O2 flow analysis reports
    // an optional<double> built in a conditional as maybe uninitialised.
    const double replyAfterMs
        = flooded ? requestReplyMs(simulator).value_or(unansweredMs) : unansweredMs;
    const qint64 peakKib = ProcFs::peakResidentKib(tool.pid());

    tool.closeInput();
    tool.waitForExit(exitTimeoutMs);
    simulator.send(QStringLiteral("quit"));
    simulator.waitForExit(exitTimeoutMs);

    if (!flooded || idleKib == ProcFs::unknown || floodedKib == ProcFs::unknown) {
        Report::failed(memoryMeasurement, memoryTarget,
            QStringLiteral("the flood did not end or /proc was not readable"));
        return false;
    }
    const double ratio = double(floodedKib) / double(idleKib);
    Report::row(
        memoryMeasurement + QStringLiteral(", %1 s (resident, after / idle)").arg(settings.seconds),
        QStringLiteral("%1 / %2 (**%3 ×**)")
            .arg(mib(floodedKib), mib(idleKib), QString::number(ratio, 'f', 2)),
        memoryTarget, Report::verdict(ratio <= targetMemoryRatio));
    if (replyAfterMs != unansweredMs) {
        Report::row(replyMeasurement, QStringLiteral("**%1**").arg(Report::ms(replyAfterMs)),
            replyTarget, Report::verdict(replyAfterMs <= targetReplyMs));
    } else {
        Report::failed(
            replyMeasurement, replyTarget, QStringLiteral("the request went unanswered"));
    }

    const double floodBytes = flooded->text.section(u' ', 1, 1).toDouble();
    Report::detail(QStringLiteral("\n### Frame flood\n"));
    Report::detail(QStringLiteral(
        "- The simulator wrote the largest valid frames (1036 bytes, of a kind the library "
        "ignores) as fast as the pseudo-terminal took them for %1 s: %2 MiB, %3 MiB/s. Each "
        "call of the library takes what waits but decodes only the newest 64 KiB, and its "
        "port's buffer holds no more, so between calls the writer is held back by the driver.")
                       .arg(settings.seconds)
                       .arg(floodBytes / bytesPerMib, 0, 'f', 1)
                       .arg(floodBytes / bytesPerMib / settings.seconds, 0, 'f', 2));
    Report::detail(QStringLiteral("- The tool's CPU during the flood: %1 of one core; its peak "
                                  "memory over the whole run (VmHWM) %2.")
                       .arg(Report::percent(double(cpuAfterNs - cpuBeforeNs)
                           / (double(settings.seconds) * nsPerMs * msPerSecond) * percentPerShare))
                       .arg(mib(peakKib)));
    Report::detail(QStringLiteral("- A request before the flood was answered in %1.")
                       .arg(replyBeforeMs ? Report::ms(*replyBeforeMs) : QStringLiteral("-")));
    return true;
}
