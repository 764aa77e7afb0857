#include "benchclock.h"
#include "benchmarks.h"
#include "childprocess.h"
#include "report.h"
#include "statistics.h"
#include "ticksummary.h"
#include "workspace.h"

#include <QRandomGenerator>

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr double targetP99Ms = 105;
constexpr double targetWorkMs = 5;
constexpr int pollIntervalMs = 100;
constexpr int usPerMs = 1000;
constexpr int replyTimeoutMs = 2000;
constexpr int exitTimeoutMs = 10000;
constexpr int settleMs = 300;
constexpr int baudRate = 19200;

// Six options without a length field: the longest list a base station takes
// in one answer, so every reply is the largest one.
const QString checkedOptions = QStringLiteral("1,2,3,4,5,6");
constexpr int recordsPerReply = 6;
constexpr int recordLength = 5;
constexpr int hexDigitsPerByte = 2;

// On a real line every byte costs a start bit, eight data bits and a stop
// bit; a frame carries a start marker, a type, two length bytes and a
// two-byte CRC around its payload, and both payloads begin with the
// two-byte terminal number.
constexpr int bitsPerByte = 10;
constexpr int frameOverhead = 6;
constexpr int terminalNumberBytes = 2;
const QByteArray requestText("LASER RESET");

double lineTimeMs(int payloadBytes)
{
    constexpr double msPerSecond = 1000;
    return double((frameOverhead + payloadBytes) * bitsPerByte) * msPerSecond / double(baudRate);
}

const QString measurement = QStringLiteral("Request to reply at %1 baud").arg(baudRate);
const QString workMeasurement = QStringLiteral("Tool's own work in a tick that answers");

} // namespace

bool benchReply(const ReplySettings &settings)
{
    const QString target = QStringLiteral("p99 ≤ %1 ms").arg(targetP99Ms);
    const QString workTarget = QStringLiteral("< %1 ms").arg(targetWorkMs);
    Workspace workspace;
    ChildProcess simulator(QStringLiteral("wendalink-sim"));
    ChildProcess tool(QStringLiteral("pelsado-bench-tool"));
    QString error;
    if (!workspace.isValid()
        || !workspace.startToolOnBaseStation(simulator, tool, checkedOptions, error)) {
        Report::failed(measurement, target, error);
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const QString command = QStringLiteral("request 1 ") + QString::fromLatin1(requestText);
    std::vector<double> replies;
    int lost = 0;
    int wrongLists = 0;
    for (int request = 0; request < settings.requests; ++request) {
        // A random wait after the last reply puts the next request at a
        // random point of the polling period.
        std::this_thread::sleep_for(
            std::chrono::microseconds(random.bounded(pollIntervalMs * usPerMs)));
        simulator.send(command);
        const auto sent = simulator.waitForLine(QStringLiteral("request 1 sent"), replyTimeoutMs);
        const auto reply = sent ? simulator.waitForLine(QStringLiteral("config 1 "), replyTimeoutMs)
                                : std::nullopt;
        if (!reply) {
            ++lost;
            continue;
        }
        const QString hex = reply->text.section(u' ', 2, 2);
        if (hex.size() != recordsPerReply * recordLength * hexDigitsPerByte)
            ++wrongLists;
        replies.push_back(double(reply->readAtNs - sent->readAtNs) / nsPerMs);
    }

    tool.closeInput();
    const auto answering = tool.waitForLine(QStringLiteral("ticks answering"), exitTimeoutMs);
    tool.waitForExit(exitTimeoutMs);
    simulator.send(QStringLiteral("quit"));
    simulator.waitForExit(exitTimeoutMs);

    if (replies.empty()) {
        Report::failed(measurement, target, QStringLiteral("no request was answered"));
        return false;
    }
    const Summary summary = summarize(replies);
    Report::row(measurement
            + QStringLiteral(", %1 requests at random phases (p50 / p99 / max)").arg(summary.count),
        QStringLiteral("%1 / **%2** / %3")
            .arg(Report::ms(summary.median), Report::ms(summary.p99), Report::ms(summary.max)),
        target, Report::verdict(summary.p99 <= targetP99Ms && lost == 0 && wrongLists == 0));

    const TickSummary work = answering ? parseTicks(answering->text) : TickSummary {};
    if (work.count == 0) {
        Report::failed(workMeasurement, workTarget, QStringLiteral("no answering tick was timed"));
    } else {
        Report::row(workMeasurement + QStringLiteral(" (median / p99 / max of %1)").arg(work.count),
            QStringLiteral("%1 / %2 / %3")
                .arg(Report::us(work.medianUs), Report::us(work.p99Us), Report::us(work.maxUs)),
            workTarget, Report::verdict(work.maxUs / usPerMs < targetWorkMs));
    }

    const double requestLineMs = lineTimeMs(terminalNumberBytes + int(requestText.size()));
    const double replyLineMs = lineTimeMs(terminalNumberBytes + recordsPerReply * recordLength);
    Report::detail(QStringLiteral("\n### Request to reply\n"));
    Report::detail(
        QStringLiteral("- %1 requests, %2 answered, %3 lost, %4 with a wrong list; mean %5 "
                       "(random seed %6).")
            .arg(settings.requests)
            .arg(summary.count)
            .arg(lost)
            .arg(wrongLists)
            .arg(Report::ms(summary.mean))
            .arg(seed));
    Report::detail(QStringLiteral("- Every reply carried %1 records.").arg(recordsPerReply));
    Report::detail(
        QStringLiteral("- The pseudo-terminal passes bytes at once, whatever the baud rate set. On "
                       "a real %1-baud line the request frame takes %2 and the reply frame %3 "
                       "more, %4 in all: a p99 of about %5 there.")
            .arg(baudRate)
            .arg(Report::ms(requestLineMs), Report::ms(replyLineMs),
                Report::ms(requestLineMs + replyLineMs),
                Report::ms(summary.p99 + requestLineMs + replyLineMs)));
    return true;
}
