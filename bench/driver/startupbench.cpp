#include "benchclock.h"
#include "benchmarks.h"
#include "childprocess.h"
#include "procfs.h"
#include "report.h"
#include "statistics.h"
#include "workspace.h"

#include <map>
#include <optional>
#include <vector>

namespace {

constexpr double targetRatio = 1.5;
constexpr int shownTimeoutMs = 20000;
constexpr int exitTimeoutMs = 10000;
constexpr int simulatorTerminals = 1;

const QString measurement = QStringLiteral("Start-up: process start to main window shown");

// The start-up stages the probe reports, in order, with what each means.
struct Stage
{
    const char *name;
    const char *meaning;
};
constexpr Stage toolStages[] = {
    {"main", "process start to `main()` (loading and linking the libraries)"},
    {"built", "`Form1` constructed (60 options, menu, timer)"},
    {"box-shown", "start-up message on screen (link opened, base station answered)"},
    {"loaded", "message answered, `load` returned"},
    {"shown", "main window shown (first expose handled, painted)"},
};

// The stages of one run, in nanoseconds from the moment the driver started
// the program.
using StageTimes = std::map<QString, qint64>;

struct Launch
{
    StageTimes stages;
    qint64 peakKib = 0;
};

// A program whose start-up is measured, with its runs.
struct Subject
{
    const char *label;
    const char *program;
    QStringList arguments;
    bool expectBaseMode;
    std::vector<Launch> launches;
};

std::optional<Launch> launchOnce(const Workspace &workspace, const Subject &subject, QString &error)
{
    ChildProcess child {QString::fromLatin1(subject.program)};
    if (!child.start(Workspace::program(subject.program),
            subject.arguments + QStringList {QStringLiteral("--quit-when-shown")},
            workspace.environment(workspace.path(QStringLiteral("com1"))),
            workspace.path(QLatin1String(subject.program) + QStringLiteral(".log")))) {
        error = QLatin1String(subject.program) + QStringLiteral(" did not start");
        return std::nullopt;
    }
    if (!child.waitForLine(QStringLiteral("at shown"), shownTimeoutMs)) {
        error = QLatin1String(subject.program) + QStringLiteral(" showed no window: ")
            + child.errorTail();
        return std::nullopt;
    }
    child.waitForExit(exitTimeoutMs);

    Launch launch;
    bool baseMode = false;
    for (const QString &line : child.history()) {
        const QStringList words = line.split(u' ');
        if (words.size() == 3 && words.at(0) == QLatin1String("at"))
            launch.stages[words.at(1)] = words.at(2).toLongLong() - child.startedAtNs();
        else if (words.size() == 2 && words.at(0) == QLatin1String("hwm"))
            launch.peakKib = words.at(1).toLongLong();
        else if (line == QLatin1String("mode base"))
            baseMode = true;
    }
    if (subject.expectBaseMode && !baseMode) {
        error = QStringLiteral("the tool did not find the simulated base station");
        return std::nullopt;
    }
    return launch;
}

Summary stageMs(const std::vector<Launch> &launches, const char *stage)
{
    std::vector<double> values;
    for (const Launch &launch : launches) {
        const auto found = launch.stages.find(QLatin1String(stage));
        if (found != launch.stages.end())
            values.push_back(double(found->second) / nsPerMs);
    }
    return summarize(values);
}

double medianPeakMib(const std::vector<Launch> &launches)
{
    std::vector<double> values;
    for (const Launch &launch : launches)
        values.push_back(ProcFs::mib(launch.peakKib));
    return summarize(values).median;
}

void printDetails(const std::vector<Subject> &subjects)
{
    const std::vector<Launch> &tool = subjects.front().launches;
    Report::detail(QStringLiteral("\n### Start-up\n"));
    Report::detail(QStringLiteral("Median time from process start to each stage of the tool, "
                                  "over %1 runs:\n")
                       .arg(tool.size()));
    Report::detail(QStringLiteral("| stage | from process start | step |"));
    Report::detail(QStringLiteral("|---|---|---|"));
    double previous = 0;
    for (const Stage &stage : toolStages) {
        const double at = stageMs(tool, stage.name).median;
        Report::detail(
            QStringLiteral("| %1 | %2 | %3 |")
                .arg(QLatin1String(stage.meaning), Report::ms(at), Report::ms(at - previous)));
        previous = at;
    }
    Report::detail(QStringLiteral("\nEvery program measured the same way, runs interleaved:\n"));
    Report::detail(QStringLiteral("| program | to `main()` | to shown (median) | fastest | "
                                  "slowest | peak memory when shown |"));
    Report::detail(QStringLiteral("|---|---|---|---|---|---|"));
    for (const Subject &subject : subjects) {
        const Summary shown = stageMs(subject.launches, "shown");
        Report::detail(
            QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 MiB |")
                .arg(QLatin1String(subject.label),
                    Report::ms(stageMs(subject.launches, "main").median), Report::ms(shown.median),
                    Report::ms(shown.min), Report::ms(shown.max))
                .arg(medianPeakMib(subject.launches), 0, 'f', 1));
    }
}

} // namespace

bool benchStartup(const StartupSettings &settings)
{
    const QString target = QStringLiteral("≤ %1 × bare Qt program").arg(targetRatio);
    Workspace workspace;
    ChildProcess simulator(QStringLiteral("wendalink-sim"));
    QString error;
    if (!workspace.isValid()
        || !workspace.startSimulator(
            simulator, QStringLiteral("com1"), "base", simulatorTerminals, error)) {
        Report::failed(measurement, target, error);
        return false;
    }

    // The first two make the figure; the other two show where the difference
    // goes.
    std::vector<Subject> subjects;
    subjects.push_back({"tool (base-station mode)", "pelsado-bench-tool", {}, true, {}});
    subjects.push_back({"bare Qt program, empty main window", "pelsado-bench-bare", {}, false, {}});
    subjects.push_back({"bare Qt program with one caption", "pelsado-bench-bare",
        {QStringLiteral("--text")}, false, {}});
    subjects.push_back(
        {"bare Qt program with one caption and a file dialog built", "pelsado-bench-bare",
            {QStringLiteral("--text"), QStringLiteral("--file-dialog")}, false, {}});

    for (int run = 0; run < settings.warmupRuns + settings.runs; ++run) {
        // Each run starts with the next program, so that no program always
        // follows the same one.
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            Subject &subject = subjects.at((std::size_t(run) + turn) % subjects.size());
            const std::optional<Launch> launch = launchOnce(workspace, subject, error);
            if (!launch) {
                Report::failed(measurement, target, error);
                return false;
            }
            if (run >= settings.warmupRuns)
                subject.launches.push_back(*launch);
        }
        if (run >= settings.warmupRuns) {
            Report::progress(QStringLiteral("start-up run %1/%2: tool %3, bare %4")
                                 .arg(run - settings.warmupRuns + 1)
                                 .arg(settings.runs)
                                 .arg(Report::ms(double(subjects.at(0).launches.back().stages.at(
                                                     QStringLiteral("shown")))
                                          / nsPerMs),
                                     Report::ms(double(subjects.at(1).launches.back().stages.at(
                                                    QStringLiteral("shown")))
                                         / nsPerMs)));
        }
    }

    const double toolMedian = stageMs(subjects.at(0).launches, "shown").median;
    const double bareMedian = stageMs(subjects.at(1).launches, "shown").median;
    const double ratio = toolMedian / bareMedian;
    Report::row(measurement + QStringLiteral(" (median of %1 runs)").arg(settings.runs),
        QStringLiteral("tool %1, bare Qt program %2: **%3 ×**")
            .arg(Report::ms(toolMedian), Report::ms(bareMedian))
            .arg(ratio, 0, 'f', 2),
        target, Report::verdict(ratio <= targetRatio));
    printDetails(subjects);
    return true;
}
