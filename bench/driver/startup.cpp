#include "bench.h"

#include <map>
#include <vector>

namespace {

constexpr double targetRatio = 1.5;
const QString link = QStringLiteral("com1");

// The start-up stages the probe reports, in order, with what each means.
constexpr const char *toolStages[][2] = {
    {"main", "process start to `main()` (loading and linking the libraries)"},
    {"built", "`Form1` constructed (60 options, menu, timer)"},
    {"box-shown", "start-up message on screen (link opened, base station answered)"},
    {"loaded", "message answered, `load` returned"},
    {"shown", "main window shown (first expose handled, painted)"},
};

// A program whose start-up is measured, with the stages of its runs (ms from
// the moment the driver started it) and its peak memory when shown.
struct Subject
{
    const char *label;
    QString program;
    QStringList arguments;
    std::vector<std::map<QString, double>> stagesMs;
    std::vector<double> peakMib;

    Summary stage(const char *name) const
    {
        std::vector<double> values;
        for (const auto &stages : stagesMs) {
            if (const auto found = stages.find(QLatin1String(name)); found != stages.end())
                values.push_back(found->second);
        }
        return summarize(values);
    }
};

bool launchOnce(Workspace &workspace, Subject &subject, bool counted, QString &error)
{
    const auto child = workspace.start(subject.program,
        subject.arguments + QStringList {QStringLiteral("--quit-when-shown")}, link,
        subject.program);
    if (!child->waitForLine(QStringLiteral("at shown"), Workspace::shownTimeoutMs)) {
        error = subject.program + QStringLiteral(" showed no window: ") + child->errorTail();
        return false;
    }
    child->waitForExit(Workspace::exitTimeoutMs);
    const bool isTool = subject.program == QLatin1String("pelsado-bench-tool");
    if (isTool && child->linesStartingWith(QStringLiteral("mode base")).isEmpty()) {
        error = QStringLiteral("the tool did not find the simulated base station");
        return false;
    }
    if (!counted)
        return true;
    std::map<QString, double> stages;
    for (const QString &line : child->linesStartingWith(QStringLiteral("at ")))
        stages[line.section(u' ', 1, 1)]
            = double(line.section(u' ', 2, 2).toLongLong() - child->startedAtNs()) / nsPerMs;
    subject.stagesMs.push_back(stages);
    const QString hwm = child->linesStartingWith(QStringLiteral("hwm ")).value(0);
    subject.peakMib.push_back(ProcFs::mib(hwm.section(u' ', 1, 1).toLongLong()));
    return true;
}

} // namespace

bool benchStartup(int runs, int warmupRuns)
{
    const QString measurement = QStringLiteral("Start-up: process start to main window shown");
    const QString target = QStringLiteral("≤ %1 × bare Qt program").arg(targetRatio);
    Workspace workspace;
    const auto simulator = workspace.startSimulator(link, QStringLiteral("base"));
    if (!simulator->isReady())
        return Report::failed(measurement, target, QStringLiteral("wendalink-sim did not start"));

    // The first two make the figure; the others show where the difference goes.
    const QString bare = QStringLiteral("pelsado-bench-bare");
    const QString caption = QStringLiteral("--text");
    std::vector<Subject> subjects {
        {"tool (base-station mode)", QStringLiteral("pelsado-bench-tool"), {}, {}, {}},
        {"bare Qt program, empty main window", bare, {}, {}, {}},
        {"bare Qt program with one caption", bare, {caption}, {}, {}},
        {"bare Qt program with one caption and a file dialog built", bare,
            {caption, QStringLiteral("--file-dialog")}, {}, {}},
    };
    QString error;
    for (int run = 0; run < warmupRuns + runs; ++run) {
        // Each run starts with the next program, so that none always follows the same one.
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            Subject &subject = subjects.at((std::size_t(run) + turn) % subjects.size());
            if (!launchOnce(workspace, subject, run >= warmupRuns, error))
                return Report::failed(measurement, target, error);
        }
    }

    const Subject &tool = subjects.front();
    const double toolMs = tool.stage("shown").median;
    const double bareMs = subjects.at(1).stage("shown").median;
    Report::row(text("%1 (median of %2 runs)", measurement, runs),
        text("tool %1, bare Qt program %2: **%3 ×**", Report::ms(toolMs), Report::ms(bareMs),
            QString::number(toolMs / bareMs, 'f', 2)),
        target, toolMs / bareMs <= targetRatio);
    Report::detail(
        text("\n### Start-up\n\nMedian time from process start to each stage of the "
             "tool, over %1 runs:\n\n| stage | from process start | step |\n|---|---|---|",
            runs));
    double previous = 0;
    for (const auto &[stage, meaning] : toolStages) {
        const double at = tool.stage(stage).median;
        Report::detail(QStringLiteral("| %1 | %2 | %3 |")
                           .arg(QLatin1String(meaning), Report::ms(at), Report::ms(at - previous)));
        previous = at;
    }
    Report::detail(QStringLiteral("\nEvery program measured the same way, runs interleaved:\n\n"
                                  "| program | to `main()` | to shown (median) | fastest | slowest "
                                  "| peak memory when shown |\n|---|---|---|---|---|---|"));
    for (const Subject &subject : subjects) {
        const Summary shown = subject.stage("shown");
        Report::detail(
            QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 MiB |")
                .arg(QLatin1String(subject.label), Report::ms(subject.stage("main").median),
                    Report::ms(shown.median), Report::ms(shown.min), Report::ms(shown.max))
                .arg(summarize(subject.peakMib).median, 0, 'f', 1));
    }
    return true;
}
