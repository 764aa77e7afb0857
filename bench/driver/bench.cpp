#include "bench.h"

#include <cstdio>

namespace {

constexpr double hundredthsBelowMs = 10;
constexpr int baseStationTerminals = 1;
constexpr int replyTimeoutMs = 5000;
constexpr int tickFields = 6;
enum TickField { countField = 2, medianField, p99Field, maxField };

Summary parseTicks(const std::optional<TimedLine> &line)
{
    const QStringList words = line ? line->text.split(u' ') : QStringList();
    if (words.size() != tickFields)
        return {};
    Summary summary;
    summary.count = words.at(countField).toInt();
    summary.median = words.at(medianField).toDouble();
    summary.p99 = words.at(p99Field).toDouble();
    summary.max = words.at(maxField).toDouble();
    return summary;
}

void printLine(std::FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

} // namespace

namespace Report {

void row(const QString &measurement, const QString &result, const QString &target,
    std::optional<bool> met)
{
    const QString verdict = !met ? QStringLiteral("(report only)")
        : *met                   ? QStringLiteral("met")
                                 : QStringLiteral("**missed**");
    detail(
        QStringLiteral("result | %1 | %2 | %3 | %4 |").arg(measurement, result, target, verdict));
}

bool failed(const QString &measurement, const QString &target, const QString &reason)
{
    detail(QStringLiteral("result | %1 | not measured: %2 | %3 | - |")
               .arg(measurement, reason, target));
    progress(measurement + QStringLiteral(": not measured: ") + reason);
    return false;
}

void detail(const QString &line)
{
    printLine(stdout, line);
}

void progress(const QString &line)
{
    printLine(stderr, line);
}

QString ms(double milliseconds)
{
    return QString::number(milliseconds, 'f', milliseconds < hundredthsBelowMs ? 2 : 1)
        + QStringLiteral(" ms");
}

QString us(double microseconds)
{
    return QString::number(microseconds, 'f', 0) + QStringLiteral(" µs");
}

QString percent(double value)
{
    return QString::number(value, 'f', 3) + QStringLiteral(" %");
}

QString mib(qint64 kib)
{
    return QString::number(ProcFs::mib(kib), 'f', 1) + QStringLiteral(" MiB");
}

} // namespace Report

QProcessEnvironment Workspace::environment(const QString &linkName) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    environment.insert(QStringLiteral("WENDALINK_STORE"), path(QStringLiteral("store.xml")));
    environment.insert(QStringLiteral("WENDALINK_COM1"), path(linkName));
    return environment;
}

std::unique_ptr<SimulatorProcess> Workspace::startSimulator(
    const QString &linkName, const QString &mode)
{
    return std::make_unique<SimulatorProcess>(path(linkName), mode, baseStationTerminals,
        environment(linkName), path(linkName + QStringLiteral("-sim.log")));
}

std::unique_ptr<LineProcess> Workspace::start(const QString &program, const QStringList &arguments,
    const QString &linkName, const QString &name)
{
    auto process = std::make_unique<LineProcess>();
    process->start(LineProcess::builtProgram(program), arguments, environment(linkName),
        path(name + QStringLiteral(".log")));
    return process;
}

ToolSession::ToolSession(
    Workspace &workspace, const QString &mode, const QString &checks, bool overBridge)
{
    const QString link = mode + QStringLiteral("-com1");
    simulator = workspace.startSimulator(link, mode);
    if (!simulator->isReady()) {
        error = QStringLiteral("wendalink-sim did not get ready: ") + simulator->errorTail();
        return;
    }
    QStringList arguments {QStringLiteral("--check"), checks};
    if (overBridge)
        arguments << QStringLiteral("--bridge");
    tool = workspace.start(
        QStringLiteral("pelsado-bench-tool"), arguments, link, QStringLiteral("tool-") + link);
    if (!tool->waitForLine(QStringLiteral("at shown"), Workspace::shownTimeoutMs))
        error = QStringLiteral("the tool showed no window: ") + tool->errorTail();
    else if (!tool->linesStartingWith(QStringLiteral("mode "))
                  .contains(QStringLiteral("mode ") + mode))
        error = QStringLiteral("the tool did not start in %1 mode").arg(mode);
}

std::optional<double> ToolSession::replyMs()
{
    simulator->send(QStringLiteral("request 1 ") + QLatin1String(defaultRequest));
    const auto sent = simulator->waitForLine(QStringLiteral("request 1 sent"), replyTimeoutMs);
    const auto reply
        = sent ? simulator->waitForLine(QStringLiteral("config 1 "), replyTimeoutMs) : std::nullopt;
    if (!reply)
        return std::nullopt;
    return double(reply->readAtNs - sent->readAtNs) / nsPerMs;
}

void ToolSession::finish()
{
    tool->closeInput();
    answeringTicksUs = parseTicks(
        tool->waitForLine(QStringLiteral("ticks answering"), Workspace::exitTimeoutMs));
    idleTicksUs
        = parseTicks(tool->waitForLine(QStringLiteral("ticks idle"), Workspace::exitTimeoutMs));
    tool->waitForExit(Workspace::exitTimeoutMs);
    simulator->send(QStringLiteral("quit"));
    simulator->waitForExit(Workspace::exitTimeoutMs);
}
