#include "benchclock.h"
#include "benchmarks.h"
#include "childprocess.h"
#include "procfs.h"
#include "report.h"
#include "ticksummary.h"
#include "workspace.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr double targetPercent = 0.2;
constexpr int shownTimeoutMs = 20000;
constexpr int exitTimeoutMs = 10000;
constexpr int settleMs = 2000;
constexpr int simulatorTerminals = 1;
constexpr double hundred = 100;
constexpr double nsPerSecond = 1e9;

// One program kept running while nothing arrives, with its own simulator
// when it needs one.
struct Subject
{
    Subject(const char *label, const char *program, const char *simulatorMode, bool probed)
        : label(label)
        , program(program)
        , simulatorMode(simulatorMode)
        , probed(probed)
    { }

    const char *label;
    const char *program;
    const char *simulatorMode; // nullptr: no link needed
    bool probed; // reports "at shown"; the unmodified tool does not
    std::unique_ptr<ChildProcess> simulator;
    std::unique_ptr<ChildProcess> process;
    qint64 cpuStartNs = ProcFs::unknown;
    qint64 cpuEndNs = ProcFs::unknown;
    qint64 scheduledStartNs = ProcFs::unknown;
    qint64 scheduledEndNs = ProcFs::unknown;
    qint64 peakKib = ProcFs::unknown;
    TickSummary idleTicks;

    double cpuPercent(double seconds) const
    {
        return double(cpuEndNs - cpuStartNs) / (seconds * nsPerSecond) * hundred;
    }
    double scheduledPercent(double seconds) const
    {
        return double(scheduledEndNs - scheduledStartNs) / (seconds * nsPerSecond) * hundred;
    }
};

bool startSubject(Workspace &workspace, Subject &subject, QString &error)
{
    const QString name = QString::fromLatin1(subject.program) + QLatin1Char('-')
        + QString::fromLatin1(subject.simulatorMode ? subject.simulatorMode : "alone");
    const QString linkName = name + QStringLiteral("-com1");
    if (subject.simulatorMode) {
        subject.simulator = std::make_unique<ChildProcess>(QStringLiteral("wendalink-sim"));
        if (!workspace.startSimulator(
                *subject.simulator, linkName, subject.simulatorMode, simulatorTerminals, error))
            return false;
    }
    subject.process = std::make_unique<ChildProcess>(QLatin1String(subject.program));
    if (!subject.process->start(Workspace::program(subject.program), {},
            workspace.environment(workspace.path(linkName)),
            workspace.path(name + QStringLiteral(".log")))) {
        error = QLatin1String(subject.program) + QStringLiteral(" did not start");
        return false;
    }
    return true;
}

bool waitUntilRunning(Subject &subject, QString &error)
{
    if (subject.probed) {
        if (!subject.process->waitForLine(QStringLiteral("at shown"), shownTimeoutMs)) {
            error = QLatin1String(subject.label) + QStringLiteral(" showed no window: ")
                + subject.process->errorTail();
            return false;
        }
        return true;
    }
    // The unmodified tool shows its start-up message right after the base
    // station answered, and waits there for the operator.
    if (!subject.simulator->waitForLine(QStringLiteral("init answered"), shownTimeoutMs)) {
        error = QLatin1String(subject.label) + QStringLiteral(" did not reach the base station");
        return false;
    }
    return true;
}

} // namespace

bool benchIdle(const IdleSettings &settings)
{
    const QString target = QStringLiteral("≤ %1 % of one core").arg(targetPercent);
    std::vector<Subject> subjects;
    subjects.emplace_back("tool, base-station mode", "pelsado-bench-tool", "base", true);
    subjects.emplace_back("tool, serial message mode", "pelsado-bench-tool", "serial", true);
    subjects.emplace_back("unmodified pelsado, start-up message open", "pelsado", "base", false);
    subjects.emplace_back("bare Qt program", "pelsado-bench-bare", nullptr, true);

    Workspace workspace;
    QString error;
    bool started = workspace.isValid();
    for (Subject &subject : subjects)
        started = started && startSubject(workspace, subject, error);
    for (Subject &subject : subjects)
        started = started && waitUntilRunning(subject, error);
    if (!started) {
        Report::failed(QStringLiteral("Idle CPU"), target, error);
        return false;
    }

    // Start-up work (fonts, first paints) is over before the window opens.
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    Report::progress(QStringLiteral("idle: measuring for %1 s").arg(settings.seconds));
    for (Subject &subject : subjects) {
        subject.cpuStartNs = ProcFs::cpuTimeNs(subject.process->pid());
        subject.scheduledStartNs = ProcFs::scheduledNs(subject.process->pid());
    }
    std::this_thread::sleep_for(std::chrono::seconds(settings.seconds));
    for (Subject &subject : subjects) {
        subject.cpuEndNs = ProcFs::cpuTimeNs(subject.process->pid());
        subject.scheduledEndNs = ProcFs::scheduledNs(subject.process->pid());
        subject.peakKib = ProcFs::peakResidentKib(subject.process->pid());
    }
    for (Subject &subject : subjects) {
        // The probed programs close their window when their input ends, the
        // tool with a report on its ticks; the unmodified tool, waiting on its
        // message, is ended.
        if (!subject.probed) {
            subject.process->terminate();
            continue;
        }
        subject.process->closeInput();
        if (subject.simulator) {
            if (const auto ticks
                = subject.process->waitForLine(QStringLiteral("ticks idle"), exitTimeoutMs))
                subject.idleTicks = parseTicks(ticks->text);
        }
    }
    for (Subject &subject : subjects) {
        subject.process.reset();
        subject.simulator.reset();
    }

    for (const Subject &subject : subjects) {
        if (subject.cpuStartNs == ProcFs::unknown || subject.cpuEndNs == ProcFs::unknown) {
            Report::failed(QStringLiteral("Idle CPU"), target,
                QLatin1String(subject.label) + QStringLiteral(": /proc not readable"));
            return false;
        }
    }
    const double seconds = settings.seconds;
    const Subject &base = subjects.at(0);
    const Subject &serial = subjects.at(1);
    const Subject &bare = subjects.at(3);
    const auto share = [seconds](const Subject &subject) {
        return QStringLiteral("**%1** of one core (scheduler's count: %2)")
            .arg(Report::percent(subject.cpuPercent(seconds)),
                Report::percent(subject.scheduledPercent(seconds)));
    };
    Report::row(QStringLiteral("Idle CPU over %1 s, base-station mode, polling every 100 ms")
                    .arg(settings.seconds),
        share(base), target, Report::verdict(base.cpuPercent(seconds) <= targetPercent));
    Report::row(QStringLiteral("Idle CPU over %1 s, serial message mode").arg(settings.seconds),
        share(serial), target, Report::verdict(serial.cpuPercent(seconds) <= targetPercent));
    Report::row(
        QStringLiteral("Peak memory (VmHWM) after start-up and %1 s idle").arg(settings.seconds),
        QStringLiteral("tool %1 MiB, bare Qt program %2 MiB (%3 ×)")
            .arg(ProcFs::mib(base.peakKib), 0, 'f', 1)
            .arg(ProcFs::mib(bare.peakKib), 0, 'f', 1)
            .arg(double(base.peakKib) / double(bare.peakKib), 0, 'f', 2),
        QStringLiteral("-"), Report::Verdict::NoTarget);

    Report::detail(QStringLiteral("\n### Idle cost and memory\n"));
    Report::detail(QStringLiteral("| program (all running side by side) | CPU time over %1 s "
                                  "(utime+stime) | share of one core | same from the "
                                  "scheduler's ns accounting | peak memory |")
                       .arg(settings.seconds));
    Report::detail(QStringLiteral("|---|---|---|---|---|"));
    for (const Subject &subject : subjects) {
        Report::detail(QStringLiteral("| %1 | %2 | %3 | %4 | %5 MiB |")
                           .arg(QLatin1String(subject.label),
                               Report::ms(double(subject.cpuEndNs - subject.cpuStartNs) / nsPerMs),
                               Report::percent(subject.cpuPercent(seconds)),
                               Report::percent(subject.scheduledPercent(seconds)))
                           .arg(ProcFs::mib(subject.peakKib), 0, 'f', 1));
    }
    for (const Subject *subject : {&base, &serial}) {
        const TickSummary &ticks = subject->idleTicks;
        if (ticks.count == 0)
            continue;
        Report::detail(QStringLiteral("\n%1: a tick with nothing to receive takes %2 "
                                      "(median of %3; p99 %4, max %5).")
                           .arg(QLatin1String(subject->label))
                           .arg(Report::us(ticks.medianUs))
                           .arg(ticks.count)
                           .arg(Report::us(ticks.p99Us), Report::us(ticks.maxUs)));
    }
    Report::detail(QStringLiteral(
        "\nNobody answers the unmodified pelsado's start-up message, so it polls with the "
        "message on screen and its main window not yet shown: a cross-check of the probed "
        "tool, not a substitute for it."));
    return true;
}
