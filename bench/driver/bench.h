#pragma once

#include "measure.h"
#include "simulatorprocess.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// What the driver prints on standard output: rows of the results table (lines
// beginning with "result ", then the markdown row) and details in markdown
// (anything else), which scripts/bench places on the performance page.
// Progress goes to standard error.
namespace Report {
// `met`: whether the target was met; nothing for a row without a target.
void row(const QString &measurement, const QString &result, const QString &target,
    std::optional<bool> met);
// A measurement that could not be taken, with the reason; always false.
bool failed(const QString &measurement, const QString &target, const QString &reason);
void detail(const QString &line);
void progress(const QString &line);
QString ms(double milliseconds);
QString us(double microseconds);
QString percent(double value);
QString mib(qint64 kib);
} // namespace Report

// A benchmark's scratch folder and the environment its programs run in:
// offscreen, with settings, data and the shared store inside the folder, so
// that the user's own are never read or touched.
class Workspace
{
public:
    static constexpr int shownTimeoutMs = 20000;
    static constexpr int exitTimeoutMs = 10000;

    QString path(const QString &name) const { return m_folder.filePath(name); }
    // The environment of a program whose COM1 is the link `linkName` here.
    QProcessEnvironment environment(const QString &linkName) const;
    // A base station with one terminal (or serial terminals) on `linkName`.
    std::unique_ptr<SimulatorProcess> startSimulator(const QString &linkName, const QString &mode);
    // A program built beside the driver, with its standard error in NAME.log.
    std::unique_ptr<LineProcess> start(const QString &program, const QStringList &arguments,
        const QString &linkName, const QString &name);

private:
    QTemporaryDir m_folder {QDir::tempPath() + QStringLiteral("/pelsado-bench-XXXXXX")};
};

// The probed tool on its own simulator, its window shown, with the options
// `checks` ticked.
struct ToolSession
{
    ToolSession(
        Workspace &workspace, const QString &mode, const QString &checks, bool overBridge = false);
    // Terminal 1 asks; the time from its request being on the line to its
    // configuration arriving, or nothing when none arrives.
    std::optional<double> replyMs();
    // Ends the tool, which reports its ticks, then the simulator.
    void finish();

    static constexpr const char *defaultRequest = "LASER RESET";
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<LineProcess> tool;
    QString error; // empty once the window is shown in the expected mode
    Summary idleTicksUs;
    Summary answeringTicksUs;
};

// The benchmarks; each prints its rows and details, and returns false when it
// could not measure at all. A missed target is reported, not a failure.
bool benchStartup(int runs, int warmupRuns);
bool benchReply(int requests);
bool benchIdle(int seconds);
bool benchBridge(int idleSeconds, int requests, int starts);
bool benchFlood(int seconds);
bool benchStore(int saveRepeats, int fileRepeats);
