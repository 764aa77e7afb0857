#include "bench.h"

#include <map>
#include <vector>

namespace {

constexpr double targetRatio = 1.5;
constexpr int runs = 15;
constexpr int warmupRuns = 2;
const QString link = QStringLiteral("com1");
// Program, fastest and slowest: the columns of the details beside the stages.
constexpr int otherColumns = 3;

// The start-up stages the probe reports, in order, with what each means.
constexpr const char *stages[][2] = {
    {"main", "`main()` entered (libraries loaded and linked)"},
    {"built", "`Form1` constructed (60 options, menu, timer)"},
    {"box-shown", "start-up message on screen (link opened, base station answered)"},
    {"loaded", "message answered, `load` returned"},
    {"shown", "main window shown (first expose handled, painted)"},
};

// A program whose start-up is measured, with the stages of its counted runs
// (ms from the moment the driver started it).
struct Subject
{
    const char *label;
    QStringList command;
    std::map<QString, std::vector<double>> stagesMs;

    Summary stage(const char *name) const
    {
        const auto found = stagesMs.find(QLatin1String(name));
        return found == stagesMs.end() ? Summary {} : summarize(found->second);
    }
};

// Nothing, or why the run failed.
QString launchOnce(Workspace &workspace, Subject &subject, bool counted)
{
    const QString program = subject.command.first();
    const auto child = workspace.start(
        program, subject.command.mid(1) << QStringLiteral("--quit-when-shown"), link, program);
    if (!child->waitForLine(QStringLiteral("at shown"), Workspace::shownTimeoutMs))
        return program + QStringLiteral(" showed no window: ") + child->errorTail();
    child->waitForExit(Workspace::exitTimeoutMs);
    if (program == QLatin1String("pelsado-bench-tool")
        && child->linesStartingWith(QStringLiteral("mode base")).isEmpty())
        return QStringLiteral("the tool did not find the simulated base station");
    for (const QString &line : child->linesStartingWith(QStringLiteral("at ")))
        if (counted)
            subject.stagesMs[line.section(u' ', 1, 1)].push_back(
                double(line.section(u' ', 2, 2).toLongLong() - child->startedAtNs()) / nsPerMs);
    return {};
}

} // namespace

bool benchStartup(Scale scale)
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
        {"tool (base-station mode)", {QStringLiteral("pelsado-bench-tool")}, {}},
        {"bare Qt program, empty main window", {bare}, {}},
        {"bare Qt program with one caption", {bare, caption}, {}},
        {"bare Qt program with one caption and a file dialog built",
            {bare, caption, QStringLiteral("--file-dialog")}, {}}};
    for (int run = 0; run < warmupRuns + scale(runs); ++run) {
        // Each run starts with the next program, so that none always follows the same one.
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            Subject &subject = subjects.at((std::size_t(run) + turn) % subjects.size());
            if (const QString error = launchOnce(workspace, subject, run >= warmupRuns);
                !error.isEmpty())
                return Report::failed(measurement, target, error);
        }
    }

    const Summary tool = subjects.front().stage("shown");
    const double bareMs = subjects.at(1).stage("shown").median;
    Report::row(text("%1 (median of %2 runs)", measurement, tool.count),
        text("tool %1, bare Qt program %2: **%3**", Report::ms(tool.median), Report::ms(bareMs),
            Report::ratio(tool.median / bareMs)),
        target, tool.median / bareMs <= targetRatio);
    // A column a stage, then the fastest and the slowest start.
    QString table = text("\n### Start-up\n\nMedian time from process start to each stage, over "
                         "%1 runs, the programs in turn:\n\n| program |",
        tool.count);
    for (const auto &[stage, meaning] : stages)
        table += QLatin1Char(' ') + QLatin1String(meaning) + QStringLiteral(" |");
    table += QStringLiteral(" fastest | slowest |\n|")
        + QStringLiteral("---|").repeated(qsizetype(std::size(stages)) + otherColumns);
    for (const Subject &subject : subjects) {
        table += QStringLiteral("\n| %1 |").arg(QLatin1String(subject.label));
        for (const auto &[stage, meaning] : stages) {
            const Summary at = subject.stage(stage);
            table += at.count ? QStringLiteral(" %1 |").arg(Report::ms(at.median))
                              : QStringLiteral(" - |");
        }
        const Summary shown = subject.stage("shown");
        table += text(" %1 | %2 |", Report::ms(shown.min), Report::ms(shown.max));
    }
    Report::detail(table);
    return true;
}
