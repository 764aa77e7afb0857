// The benchmark of the polling tool on its simulator: idle cost, request to
// reply, in process and through the link bridge, and a frame flood.

#include "bench.h"
#include "bootsettings.h"
#include "bridgetransport.h"
#include "commandbuilder.h"
#include "frames.h"
#include "linklibrary.h"
#include "recordingmessages.h"
#include "simulator.h"
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
constexpr int replyRequests = 300;
constexpr int bridgeStarts = 30;
constexpr int idleSeconds = 60;
constexpr int floodSeconds = 60;
constexpr int settleMs = 2000;
constexpr int floodEndSlackMs = 10000;
constexpr int replyTimeoutMs = 5000;
constexpr int hexDigitsPerByte = 2;
constexpr double unanswered = -1;

// Six options without a length field: the longest list a base station takes
// in one answer, so every reply is the largest one.
const QString sixOptions = QStringLiteral("1,2,3,4,5,6");
constexpr int sixRecords = 6;
const QString base = QStringLiteral("base");

double sharePercent(qint64 ns, int seconds)
{
    return seconds > 0 ? double(ns) / (seconds * nsPerSecond) * percentPerShare : 0;
}

// The tool in `mode` with six options ticked, left idle for `seconds`, then
// asked `requests` times at random points of the polling period (a random
// wait before each), then flooded for `floodSeconds`.
struct Session
{
    explicit Session(QString failure = {})
        : error(std::move(failure))
    { }

    QString error;
    // Of the tool and its bridge, by the clock ticks and by the scheduler's count.
    double idlePercent = 0;
    double scheduledPercent = 0;
    qint64 peakKib = 0; // the tool's, after the idle period
    Summary idleTicksUs;
    Summary answeringTicksUs;
    Summary replies;
    int lost = 0;
    int wrongLists = 0;
    qint64 unfloodedKib = 0; // resident, before and after the flood
    qint64 floodedKib = 0;
    double floodMib = 0;
    double replyAfterFloodMs = unanswered;
};

// "ticks KIND COUNT MEDIAN_US P99_US MAX_US", as the probe prints it.
enum TickField { countField = 2, medianField, p99Field, maxField };

Summary parseTicks(const std::optional<TimedLine> &line)
{
    const QStringList words = line ? line->text.split(u' ') : QStringList();
    const auto at = [&words](TickField field) {
        return words.value(field).toDouble();
    };
    return {int(at(countField)), 0, at(medianField), at(p99Field), at(maxField)};
}

Session measureSession(const QString &mode, bool overBridge, int seconds, int requests,
    quint32 seed = 0, int floodSeconds = 0)
{
    Workspace workspace;
    const QString link = mode + QStringLiteral("-com1");
    const auto simulator = workspace.startSimulator(link, mode);
    QStringList arguments {QStringLiteral("--check"), sixOptions};
    if (overBridge)
        arguments << QStringLiteral("--bridge");
    const auto tool = workspace.start(QStringLiteral("pelsado-bench-tool"), arguments, link, link);
    if (!simulator->isReady()
        || !tool->waitForLine(QStringLiteral("at shown"), Workspace::shownTimeoutMs)
        || !tool->linesStartingWith(QStringLiteral("mode "))
                .contains(QStringLiteral("mode ") + mode))
        return Session(text("the tool did not start in %1 mode: %2", mode, tool->errorTail()));
    // Start-up work (fonts, first paints) is over before the window opens.
    sleep_for(milliseconds(settleMs));
    const qint64 pid = tool->pid();
    const qint64 bridge = overBridge ? ProcFs::firstChild(pid) : 0;
    if (overBridge && bridge == 0)
        return Session(QStringLiteral("no bridge process under the tool"));
    const auto cpuNs = [&](qint64 (*count)(qint64)) {
        return count(pid) + (bridge ? count(bridge) : 0);
    };
    const qint64 cpuStart = cpuNs(ProcFs::cpuTimeNs);
    const qint64 scheduledStart = cpuNs(ProcFs::scheduledNs);
    sleep_for(std::chrono::seconds(seconds));
    Session session;
    session.idlePercent = sharePercent(cpuNs(ProcFs::cpuTimeNs) - cpuStart, seconds);
    session.scheduledPercent = sharePercent(cpuNs(ProcFs::scheduledNs) - scheduledStart, seconds);
    session.peakKib = ProcFs::statusKib(pid);

    // Terminal 1 asks (the simulator's default request): the time from the
    // request being on the line to the configuration arriving.
    const auto replyMs = [&simulator] {
        simulator->send(QStringLiteral("request 1"));
        const auto sent = simulator->waitForLine(QStringLiteral("request 1 sent"), replyTimeoutMs);
        const auto reply = sent
            ? simulator->waitForLine(QStringLiteral("config 1 "), replyTimeoutMs)
            : std::nullopt;
        return reply ? double(reply->readAtNs - sent->readAtNs) / nsPerMs : unanswered;
    };
    QRandomGenerator random(seed);
    std::vector<double> replies;
    for (int request = 0; request < requests; ++request) {
        sleep_for(
            std::chrono::microseconds(random.bounded(TerminalPoller::pollIntervalMs * usPerMs)));
        const double reply = replyMs();
        reply == unanswered ? void(++session.lost) : replies.push_back(reply);
    }
    session.replies = summarize(replies);
    for (const QString &line : simulator->linesStartingWith(QStringLiteral("config 1 ")))
        session.wrongLists += line.section(u' ', 2, 2).size()
            != sixRecords * CommandList::recordLength * hexDigitsPerByte;
    if (floodSeconds > 0) {
        session.unfloodedKib = ProcFs::statusKib(pid, "VmRSS:");
        simulator->send(text("flood %1", floodSeconds));
        const auto flooded = simulator->waitForLine(
            QStringLiteral("flood "), floodSeconds * msPerSecond + floodEndSlackMs);
        session.floodedKib = ProcFs::statusKib(pid, "VmRSS:");
        if (flooded) {
            session.floodMib
                = flooded->text.section(u' ', 1, 1).toDouble() / (bytesPerKib * kibPerMib);
            session.replyAfterFloodMs = replyMs();
        }
    }
    // The end of its input ends the tool, which reports its ticks.
    tool->closeInput();
    session.answeringTicksUs = parseTicks(
        tool->waitForLine(QStringLiteral("ticks answering"), Workspace::exitTimeoutMs));
    session.idleTicksUs
        = parseTicks(tool->waitForLine(QStringLiteral("ticks idle"), Workspace::exitTimeoutMs));
    if (requests > 0 && (session.replies.count == 0 || session.answeringTicksUs.count == 0))
        session.error = QStringLiteral("no reply or no answering tick was timed");
    return session;
}

// From constructing the tool's side to the first answer: the bridge starts,
// loads the stand-in and makes one call (refused: no line is open).
Summary timeBridgeStarts(int runs, RecordingMessages &messages)
{
    std::unique_ptr<LinkLibrary> link;
    // The bridge of the run before ends before the next is timed.
    const auto start = [&] {
        link = std::make_unique<LinkLibrary>(std::make_unique<BridgeTransport>(messages), messages);
        link->radio_set_baudrate(0);
        return true;
    };
    return timeMs(runs, start, [&] { link.reset(); }).ms;
}

} // namespace

bool benchPolling(Scale scale)
{
    const int baud = QByteArray(BootSettings::defaultBaudRate).toInt();
    const QString target = text("p99 ≤ %1 ms", targetReplyP99Ms);
    const QString idleTarget = text("≤ %1 % of one core", targetIdlePercent);
    const int seconds = scale(idleSeconds);
    Workspace workspace;
    const auto bare = workspace.start(
        QStringLiteral("pelsado-bench-bare"), {}, QStringLiteral("none"), QStringLiteral("bare"));
    // Random phases, the same both ways.
    const quint32 seed = QRandomGenerator::global()->generate();
    const int flood = scale(floodSeconds);
    const Session local = measureSession(base, false, seconds, scale(replyRequests), seed);
    const Session bridged = measureSession(base, true, seconds, scale(replyRequests), seed);
    const Session serial = measureSession(QStringLiteral("serial"), false, seconds, 0);
    // Apart, so that the flood's ticks count in no other figure.
    const Session flooded = measureSession(base, false, 0, 0, 0, flood);
    const QString error = local.error + bridged.error + serial.error + flooded.error;
    if (!error.isEmpty() || !bare->waitForLine(QStringLiteral("at shown")))
        return Report::failed(QStringLiteral("Request to reply and idle CPU"), target,
            error + QStringLiteral(" (or the bare program showed no window)"));

    const Summary &replies = local.replies;
    Report::row(text("Request to reply at %1 baud, %2 requests at random phases (p50 / p99 / max)",
                    baud, replies.count),
        text("%1 / **%2** / %3", Report::ms(replies.median), Report::ms(replies.p99),
            Report::ms(replies.max)),
        target, replies.p99 <= targetReplyP99Ms && local.lost == 0 && local.wrongLists == 0);
    const Summary &work = local.answeringTicksUs;
    Report::row(
        text("Tool's own work in a tick that answers (median / p99 / max of %1)", work.count),
        text("%1 / %2 / %3", Report::us(work.median), Report::us(work.p99), Report::us(work.max)),
        text("< %1 ms", targetWorkMs), work.max / usPerMs < targetWorkMs);
    const std::pair<QString, const Session *> modes[]
        = {{text("base-station mode, polling every %1 ms", TerminalPoller::pollIntervalMs), &local},
            {QStringLiteral("serial message mode"), &serial}};
    for (const auto &[mode, session] : modes)
        Report::row(text("Idle CPU over %1 s, %2", seconds, mode),
            text("**%1** of one core (scheduler's count: %2; a tick that finds nothing: %3, "
                 "median of %4)",
                Report::percent(session->idlePercent), Report::percent(session->scheduledPercent),
                Report::us(session->idleTicksUs.median), session->idleTicksUs.count),
            idleTarget, session->idlePercent <= targetIdlePercent);
    const qint64 bareKib = ProcFs::statusKib(bare->pid());
    Report::row(text("Peak memory (VmHWM) after start-up and %1 s idle", seconds),
        text("tool %1, bare Qt program %2 (%3)", Report::mib(local.peakKib), Report::mib(bareKib),
            Report::ratio(double(local.peakKib) / double(bareKib))),
        QStringLiteral("-"), std::nullopt);

    const QString ways = QStringLiteral("in-process / **bridge**");
    Report::row(text("Tick that finds nothing, median / p99 (%1)", ways),
        text("%1 / %2; **%3 / %4**", Report::us(local.idleTicksUs.median),
            Report::us(local.idleTicksUs.p99), Report::us(bridged.idleTicksUs.median),
            Report::us(bridged.idleTicksUs.p99)),
        text("bridge ≤ %1 µs", targetBridgeTickUs),
        bridged.idleTicksUs.median <= targetBridgeTickUs);
    Report::row(text("Request to reply, p99 of %1 (%2)", bridged.replies.count, ways),
        text("%1; **%2** (lost %3 / %4)", Report::ms(replies.p99), Report::ms(bridged.replies.p99),
            local.lost, bridged.lost),
        target, bridged.replies.p99 <= targetReplyP99Ms && bridged.lost == 0);
    Report::row(text("Idle CPU over %1 s, tool (and bridge) (%2)", seconds, ways),
        text(
            "%1; **%2**", Report::percent(local.idlePercent), Report::percent(bridged.idlePercent)),
        text("≤ %1 % of one core", targetBridgeIdlePercent),
        bridged.idlePercent <= targetBridgeIdlePercent);
    RecordingMessages loadFailures;
    const Summary loaded = timeBridgeStarts(scale(bridgeStarts), loadFailures);
    const bool answered = loadFailures.shown.isEmpty();
    Report::row(text("Bridge start to first answer, median / p99 of %1", loaded.count),
        text("%1 / **%2**%3", Report::ms(loaded.median), Report::ms(loaded.p99),
            answered ? QString() : QStringLiteral(" (the stand-in was not loaded)")),
        text("≤ %1 ms", targetBridgeStartMs), answered && loaded.p99 <= targetBridgeStartMs);

    // What a real line adds: the frames' bytes at the line's speed.
    using namespace WendalinkProtocol;
    const auto lineMs = [baud](qsizetype payloadBytes) {
        return double((headerSize + crcSize + terminalNumberSize + payloadBytes) * bitsPerLineByte)
            * msPerSecond / baud;
    };
    const double frameMs = lineMs(qsizetype(qstrlen(Simulator::defaultRequestText)))
        + lineMs(sixRecords * CommandList::recordLength);
    Report::detail(text("\n### Request to reply\n\n- Each way idle for %1 s, then %2 requests, "
                        "%3 lost, %4 with a wrong list (random seed %5); every reply carried %6 "
                        "records.\n- On a real %7-baud line the request and the reply frame take "
                        "%8 more: a p99 of about %9 there.",
        seconds, replies.count + local.lost, local.lost, local.wrongLists, seed, sixRecords, baud,
        Report::ms(frameMs), Report::ms(replies.p99 + frameMs)));

    const double ratio = double(flooded.floodedKib) / double(flooded.unfloodedKib);
    Report::row(text("Memory after a full-speed frame flood, %1 s (resident, after / idle)", flood),
        text("%1 / %2 (**%3**; %4 MiB written)", Report::mib(flooded.floodedKib),
            Report::mib(flooded.unfloodedKib), Report::ratio(ratio),
            QString::number(flooded.floodMib, 'f', 1)),
        text("≤ %1 × idle", targetFloodRatio),
        flooded.floodMib > 0 && flooded.unfloodedKib > 0 && ratio <= targetFloodRatio);
    const double replyAfterMs = flooded.replyAfterFloodMs;
    Report::row(QStringLiteral("First reply after the flood stops"),
        replyAfterMs == unanswered ? QStringLiteral("no reply")
                                   : text("**%1**", Report::ms(replyAfterMs)),
        text("≤ %1 ms", targetFloodReplyMs),
        replyAfterMs != unanswered && replyAfterMs <= targetFloodReplyMs);
    return true;
}
