#pragma once

#include <QProcess>
#include <QStringList>

#include <optional>
#include <vector>

// A line a program printed, with the time it was read on the steady clock
// (the system-wide monotonic clock, which the programs a benchmark starts
// read too).
struct TimedLine
{
    QString text;
    qint64 readAtNs = 0;
};

// A program driven over its standard input and output, one line at a time, in
// blocking style. Standard error goes to a log file, or to this process's own
// when no file is named. A program still running when this is destroyed is
// asked to end (its input closed), then killed.
class LineProcess
{
public:
    static constexpr int waitMs = 5000;

    LineProcess() = default;
    ~LineProcess();
    LineProcess(const LineProcess &) = delete;
    LineProcess &operator=(const LineProcess &) = delete;

    static qint64 nowNs();
    // A program built beside the running one.
    static QString builtProgram(const QString &name);

    bool start(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &errorLogPath = {});
    // The steady-clock time taken just before the program was started.
    qint64 startedAtNs() const { return m_startedAtNs; }
    qint64 pid() const { return m_process.processId(); }

    // The next line beginning with `prefix`; the lines up to it are used up.
    // Nothing when the time runs out or the program ends first.
    std::optional<TimedLine> waitForLine(const QString &prefix, int timeoutMs = waitMs);
    // Every line so far that begins with `prefix`, waited for or not.
    QStringList linesStartingWith(const QString &prefix = {});

    void send(const QString &line);
    void closeInput();
    // Waits for the program to end and reads what it printed on the way out.
    bool waitForExit(int timeoutMs = waitMs);
    // Ends the program at once (SIGTERM, then SIGKILL if it lingers).
    void terminate();
    // The last lines of the error log, for a failure message.
    QString errorTail() const;

private:
    void readOutput();

    QProcess m_process;
    QString m_errorLogPath;
    qint64 m_startedAtNs = 0;
    QByteArray m_partialLine;
    std::vector<TimedLine> m_lines;
    std::size_t m_waitedFor = 0; // lines that waitForLine has looked at
};
