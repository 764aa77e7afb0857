// The benchmarks of the polling tool on its simulator: request to reply, idle
// cost, the link bridge beside in-process loading, and a frame flood.

#include "bench.h"
#include "bootsettings.h"
#include "bridgetransport.h"
#include "commandbuilder.h"
#include "frames.h"
#include "linklibrary.h"
#include "operatormessages.h"
#include "terminalpoller.h"

#include <QRandomGenerator>

#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::this_thread::sleep_for;

constexpr double targetReplyP99Ms = 105;
constexpr double targetWorkMs = 5;
constexpr double targetIdlePercent = 0.2;
constexpr double targetBridgeIdlePercent = 0.3;
constexpr double targetBridgeTickUs = 500;
constexpr double targetBridgeStartMs = 50;
constexpr double targetFloodRatio = 1.2;
constexpr double targetFloodReplyMs = 200;
constexpr int pollIntervalMs = TerminalPoller::pollIntervalMs;
constexpr int usPerMs = 1000;
constexpr int msPerSecond = 1000;
constexpr int settleMs = 2000;
constexpr int floodEndSlackMs = 10000;
constexpr double bytesPerMib = 1024 * 1024;
constexpr int hexDigitsPerByte = 2;
constexpr double unanswered = -1;

// Six options without a length field: the longest list a base station takes
// in one answer, so every reply is the largest one.
const QString sixOptions = QStringLiteral("1,2,3,4,5,6");
constexpr int sixRecords = 6;
const QString base = QStringLiteral("base");

double sharePercent(qint64 ns, int seconds)
{
    return double(ns) / (seconds * nsPerSecond) * percentPerShare;
}

// The tool on a base station with six options ticked, left idle for
// `idleSeconds`, then asked `requests` times at random points of the polling
// period (a random wait before each).
struct Session
{
    QString error;
    double idlePercent = 0; // of the tool and its bridge
    Summary idleTicksUs;
    Summary answeringTicksUs;
    Summary replies;
    int lost = 0;
    int wrongLists = 0;
};

Session measureSession(bool overBridge, int idleSeconds, int requests, quint32 seed)
{
    Workspace workspace;
    ToolSession tool(workspace, base, sixOptions, overBridge);
    Session session;
    session.error = tool.error;
    if (!session.error.isEmpty())
        return session;
    sleep_for(milliseconds(settleMs));
    const qint64 bridge = overBridge ? ProcFs::firstChild(tool.tool->pid()) : 0;
    if (overBridge && bridge == 0) {
        session.error = QStringLiteral("no bridge process under the tool");
        return session;
    }
    const auto cpuNs = [&] {
        return ProcFs::cpuTimeNs(tool.tool->pid()) + (bridge ? ProcFs::cpuTimeNs(bridge) : 0);
    };
    const qint64 cpuStart = cpuNs();
    sleep_for(std::chrono::seconds(idleSeconds));
    session.idlePercent = idleSeconds > 0 ? sharePercent(cpuNs() - cpuStart, idleSeconds) : 0;

    QRandomGenerator random(seed);
    std::vector<double> replies;
    for (int request = 0; request < requests; ++request) {
        sleep_for(std::chrono::microseconds(random.bounded(pollIntervalMs * usPerMs)));
        const auto reply = tool.replyMs();
        reply ? replies.push_back(*reply) : void(++session.lost);
    }
    session.replies = summarize(replies);
    for (const QString &line : tool.simulator->linesStartingWith(QStringLiteral("config 1 ")))
        session.wrongLists += line.section(u' ', 2, 2).size()
            != sixRecords * CommandList::recordLength * hexDigitsPerByte;
    tool.finish();
    session.idleTicksUs = tool.idleTicksUs;
    session.answeringTicksUs = tool.answeringTicksUs;
    if (session.replies.count == 0 || session.answeringTicksUs.count == 0)
        session.error = QStringLiteral("no reply or no answering tick was timed");
    return session;
}

} // namespace

bool benchReply(int requests)
{
    const int baud = QByteArray(BootSettings::defaultBaudRate).toInt();
    const QString measurement = text("Request to reply at %1 baud", baud);
    const QString target = text("p99 ≤ %1 ms", targetReplyP99Ms);
    const quint32 seed = QRandomGenerator::global()->generate();
    const Session session = measureSession(false, 0, requests, seed);
    if (!session.error.isEmpty())
        return Report::failed(measurement, target, session.error);
    const Summary &replies = session.replies;
    Report::row(
        text("%1, %2 requests at random phases (p50 / p99 / max)", measurement, replies.count),
        text("%1 / **%2** / %3", Report::ms(replies.median), Report::ms(replies.p99),
            Report::ms(replies.max)),
        target, replies.p99 <= targetReplyP99Ms && session.lost == 0 && session.wrongLists == 0);
    const Summary &work = session.answeringTicksUs;
    Report::row(
        text("Tool's own work in a tick that answers (median / p99 / max of %1)", work.count),
        text("%1 / %2 / %3", Report::us(work.median), Report::us(work.p99), Report::us(work.max)),
        text("< %1 ms", targetWorkMs), work.max / usPerMs < targetWorkMs);

    // What a real line adds: the frames' bytes at the line's speed.
    using namespace WendalinkProtocol;
    const auto lineMs = [baud](qsizetype payloadBytes) {
        return double((headerSize + crcSize + terminalNumberSize + payloadBytes) * bitsPerLineByte)
            * msPerSecond / baud;
    };
    const double requestMs = lineMs(qsizetype(qstrlen(ToolSession::defaultRequest)));
    const double answerMs = lineMs(sixRecords * CommandList::recordLength);
    Report::detail(text("\n### Request to reply\n\n- %1 requests, %2 answered, %3 lost, %4 with a "
                        "wrong list; mean %5 (random seed %6).\n- Every reply carried %7 records."
                        "\n- On a real %8-baud line the request frame takes %9 and the reply "
                        "frame %10 more, %11 in all: a p99 of about %12 there.",
        requests, replies.count, session.lost, session.wrongLists, Report::ms(replies.mean), seed,
        sixRecords, baud, Report::ms(requestMs), Report::ms(answerMs),
        Report::ms(requestMs + answerMs), Report::ms(replies.p99 + requestMs + answerMs)));
    return true;
}

bool benchIdle(int seconds)
{
    const QString target = text("≤ %1 % of one core", targetIdlePercent);
    Workspace workspace;
    ToolSession baseTool(workspace, base, {});
    ToolSession serialTool(workspace, QStringLiteral("serial"), {});
    const QString link = QStringLiteral("pelsado-com1");
    const auto simulator = workspace.startSimulator(link, base);
    const auto pelsado
        = workspace.start(QStringLiteral("pelsado"), {}, link, QStringLiteral("pelsado"));
    const auto bare
        = workspace.start(QStringLiteral("pelsado-bench-bare"), {}, link, QStringLiteral("bare"));
    // The unmodified tool shows its start-up message once the base station
    // answered, and waits there for the operator.
    QString error = baseTool.error.isEmpty() ? serialTool.error : baseTool.error;
    if (!simulator->waitForLine(QStringLiteral("init answered"), Workspace::shownTimeoutMs))
        error += QStringLiteral(" pelsado did not reach the base station");
    if (!bare->waitForLine(QStringLiteral("at shown"), Workspace::shownTimeoutMs))
        error += QStringLiteral(" the bare program showed no window");
    if (!error.isEmpty())
        return Report::failed(QStringLiteral("Idle CPU"), target, error);

    struct Subject
    {
        const char *label;
        qint64 pid;
        qint64 cpuNs = 0;
        qint64 scheduledNs = 0;
        qint64 peakKib = 0;
    };
    Subject subjects[] = {{"tool, base-station mode", baseTool.tool->pid()},
        {"tool, serial message mode", serialTool.tool->pid()},
        {"unmodified pelsado, start-up message open", pelsado->pid()},
        {"bare Qt program", bare->pid()}};
    // Start-up work (fonts, first paints) is over before the window opens.
    sleep_for(milliseconds(settleMs));
    for (Subject &subject : subjects) {
        subject.cpuNs = -ProcFs::cpuTimeNs(subject.pid);
        subject.scheduledNs = -ProcFs::scheduledNs(subject.pid);
    }
    sleep_for(std::chrono::seconds(seconds));
    for (Subject &subject : subjects) {
        subject.cpuNs += ProcFs::cpuTimeNs(subject.pid);
        subject.scheduledNs += ProcFs::scheduledNs(subject.pid);
        subject.peakKib = ProcFs::statusKib(subject.pid);
    }
    baseTool.finish();
    serialTool.finish();
    pelsado->terminate();

    const auto share = [seconds](const Subject &subject, const char *format) {
        return text(format, Report::percent(sharePercent(subject.cpuNs, seconds)),
            Report::percent(sharePercent(subject.scheduledNs, seconds)));
    };
    const char *const shareFormat = "**%1** of one core (scheduler's count: %2)";
    Report::row(
        text("Idle CPU over %1 s, base-station mode, polling every %2 ms", seconds, pollIntervalMs),
        share(subjects[0], shareFormat), target,
        sharePercent(subjects[0].cpuNs, seconds) <= targetIdlePercent);
    Report::row(text("Idle CPU over %1 s, serial message mode", seconds),
        share(subjects[1], shareFormat), target,
        sharePercent(subjects[1].cpuNs, seconds) <= targetIdlePercent);
    Report::row(text("Peak memory (VmHWM) after start-up and %1 s idle", seconds),
        text("tool %1, bare Qt program %2 (%3 ×)", Report::mib(subjects[0].peakKib),
            Report::mib(subjects[3].peakKib),
            QString::number(double(subjects[0].peakKib) / double(subjects[3].peakKib), 'f', 2)),
        QStringLiteral("-"), std::nullopt);

    Report::detail(text("\n### Idle cost and memory\n\n| program (all running side by side) | CPU "
                        "time over %1 s (utime+stime) | share of one core | same from the "
                        "scheduler's ns accounting | peak memory |\n|---|---|---|---|---|",
        seconds));
    for (const Subject &subject : subjects) {
        Report::detail(text("| %1 | %2 | ", QLatin1String(subject.label),
                           Report::ms(double(subject.cpuNs) / nsPerMs))
            + share(subject, "%1 | %2 | ") + Report::mib(subject.peakKib) + QStringLiteral(" |"));
    }
    for (const ToolSession *session : {&baseTool, &serialTool}) {
        const Summary &ticks = session->idleTicksUs;
        Report::detail(text(
            "\n%1: a tick with nothing to receive takes %2 (median of %3; p99 %4, max %5).",
            QLatin1String(subjects[session == &baseTool ? 0 : 1].label), Report::us(ticks.median),
            ticks.count, Report::us(ticks.p99), Report::us(ticks.max)));
    }
    return true;
}

namespace {

class CountedMessages final : public OperatorMessages
{
public:
    int shown = 0;
    void show(const QString &) override { ++shown; }
};

// From constructing the tool's side to the first answer: the bridge starts,
// loads `library` and makes one call (refused: no line is open).
Summary bridgeStarts(int runs, const QString &library, CountedMessages &messages)
{
    std::vector<double> starts;
    for (int run = 0; run < runs; ++run) {
        const qint64 begin = monotonicNs();
        LinkLibrary link(
            std::make_unique<BridgeTransport>(messages,
                QStringList {LineProcess::builtProgram(QLatin1String(BridgeTransport::bridgeName)),
                    library}),
            messages);
        link.radio_set_baudrate(0);
        starts.push_back(double(monotonicNs() - begin) / nsPerMs);
    }
    return summarize(starts);
}

} // namespace

bool benchBridge(int idleSeconds, int requests, int starts)
{
    // The same random phases both ways.
    const Session local = measureSession(false, idleSeconds, requests, 0);
    const Session bridged = measureSession(true, idleSeconds, requests, 0);
    for (const Session *run : {&local, &bridged}) {
        if (!run->error.isEmpty())
            return Report::failed(QStringLiteral("Link bridge"), QStringLiteral("-"), run->error);
    }
    const char *const ways = "in-process / **bridge**";
    Report::row(text("Tick that finds nothing, median / p99 (%1)", QLatin1String(ways)),
        text("%1 / %2; **%3 / %4**", Report::us(local.idleTicksUs.median),
            Report::us(local.idleTicksUs.p99), Report::us(bridged.idleTicksUs.median),
            Report::us(bridged.idleTicksUs.p99)),
        text("bridge ≤ %1 µs", targetBridgeTickUs),
        bridged.idleTicksUs.median <= targetBridgeTickUs);
    Report::row(text("Request to reply, p99 of %1 (%2)", requests, QLatin1String(ways)),
        text("%1; **%2** (lost %3 / %4)", Report::ms(local.replies.p99),
            Report::ms(bridged.replies.p99), local.lost, bridged.lost),
        text("p99 ≤ %1 ms", targetReplyP99Ms),
        bridged.replies.p99 <= targetReplyP99Ms && bridged.lost == 0);
    Report::row(
        text("Idle CPU over %1 s, tool (and bridge) (%2)", idleSeconds, QLatin1String(ways)),
        text(
            "%1; **%2**", Report::percent(local.idlePercent), Report::percent(bridged.idlePercent)),
        text("≤ %1 % of one core", targetBridgeIdlePercent),
        bridged.idlePercent <= targetBridgeIdlePercent);

    CountedMessages loadFailures;
    const Summary loaded = bridgeStarts(starts, QStringLiteral("wendalink"), loadFailures);
    // A name that is not there: the bridge's own start, without a library's.
    CountedMessages expectedFailures;
    const Summary alone
        = bridgeStarts(starts, QStringLiteral("no-library-bench"), expectedFailures);
    const QString startTarget = text("≤ %1 ms", targetBridgeStartMs);
    if (loadFailures.shown > 0)
        return Report::failed(QStringLiteral("Bridge start"), startTarget,
            QStringLiteral("the bridge did not load the stand-in"));
    Report::row(text("Bridge start to first answer, median / p99 of %1", loaded.count),
        text("%1 / **%2**", Report::ms(loaded.median), Report::ms(loaded.p99)), startTarget,
        loaded.p99 <= targetBridgeStartMs);
    Report::detail(text("\n### Link bridge\n\n- Each way idle for %1 s, then %2 requests. The "
                        "bridge's start with no library to load takes %3 (median; p99 %4).",
        idleSeconds, requests, Report::ms(alone.median), Report::ms(alone.p99)));
    return true;
}

bool benchFlood(int seconds)
{
    const QString measurement = QStringLiteral("Memory after a full-speed frame flood");
    const QString target = text("≤ %1 × idle", targetFloodRatio);
    Workspace workspace;
    // One option checked, so that a request gets a list.
    ToolSession session(workspace, base, QStringLiteral("1"));
    if (!session.error.isEmpty())
        return Report::failed(measurement, target, session.error);
    sleep_for(milliseconds(settleMs));
    const qint64 pid = session.tool->pid();
    const auto replyBefore = session.replyMs();
    const qint64 idleKib = ProcFs::statusKib(pid, "VmRSS:");
    const qint64 cpuBeforeNs = ProcFs::cpuTimeNs(pid);
    session.simulator->send(text("flood %1", seconds));
    const auto flooded = session.simulator->waitForLine(
        QStringLiteral("flood "), seconds * msPerSecond + floodEndSlackMs);
    const qint64 floodedKib = ProcFs::statusKib(pid, "VmRSS:");
    const qint64 cpuDuringNs = ProcFs::cpuTimeNs(pid) - cpuBeforeNs;
    // A plain number: GCC's flow analysis takes an optional<double> made in a
    // conditional for maybe uninitialised.
    const double replyAfterMs = flooded ? session.replyMs().value_or(unanswered) : unanswered;
    const qint64 peakKib = ProcFs::statusKib(pid);
    session.finish();
    if (!flooded || idleKib == ProcFs::unknown || floodedKib == ProcFs::unknown)
        return Report::failed(
            measurement, target, QStringLiteral("the flood did not end or /proc was not readable"));

    const double ratio = double(floodedKib) / double(idleKib);
    Report::row(text("%1, %2 s (resident, after / idle)", measurement, seconds),
        text("%1 / %2 (**%3 ×**)", Report::mib(floodedKib), Report::mib(idleKib),
            QString::number(ratio, 'f', 2)),
        target, ratio <= targetFloodRatio);
    const QString replyMeasurement = QStringLiteral("First reply after the flood stops");
    if (replyAfterMs != unanswered)
        Report::row(replyMeasurement, text("**%1**", Report::ms(replyAfterMs)),
            text("≤ %1 ms", targetFloodReplyMs), replyAfterMs <= targetFloodReplyMs);
    else
        Report::failed(
            replyMeasurement, text("≤ %1 ms", targetFloodReplyMs), QStringLiteral("no reply"));
    const double floodMib = flooded->text.section(u' ', 1, 1).toDouble() / bytesPerMib;
    Report::detail(text("\n### Frame flood\n\n- Written in %1 s: %2 MiB, %3 MiB/s.\n- The tool's "
                        "CPU during the flood: %4 of one core; its peak memory over the whole run "
                        "(VmHWM) %5.\n- A request before the flood was answered in %6.",
        seconds, QString::number(floodMib, 'f', 1), QString::number(floodMib / seconds, 'f', 2),
        Report::percent(sharePercent(cpuDuringNs, seconds)), Report::mib(peakKib),
        replyBefore ? Report::ms(*replyBefore) : QStringLiteral("-")));
    return true;
}
