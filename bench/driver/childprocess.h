#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

// A line a child printed, with the time the driver read it.
struct TimedLine
{
    QString text;
    qint64 readAtNs = 0;
};

// A program the driver runs and talks to over its standard input and output,
// in blocking style: the driver waits on one child at a time. Standard error
// goes to a log file, shown when something goes wrong. A child still running
// when this is destroyed is asked to end (its input closed), then terminated.
class ChildProcess
{
public:
    explicit ChildProcess(QString name);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool start(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment, const QString &errorLogPath);
    // The monotonic time taken just before the program was started.
    qint64 startedAtNs() const { return m_startedAtNs; }
    qint64 pid() const { return m_process.processId(); }
    const QString &name() const { return m_name; }

    // Reads until a line beginning with `prefix` arrives and returns it; the
    // lines before it stay in history(). Nothing when the time runs out or the
    // child ends first.
    std::optional<TimedLine> waitForLine(const QString &prefix, int timeoutMs);
    // Every line read so far.
    const QStringList &history() const { return m_history; }

    void send(const QString &line);
    void closeInput();
    // Ends the program at once (SIGTERM, then SIGKILL if it lingers).
    void terminate();
    bool waitForExit(int timeoutMs);
    // The last lines of the child's standard error, for a failure message.
    QString errorTail() const;

private:
    bool readMore(int timeoutMs);

    QString m_name;
    QProcess m_process;
    QString m_errorLogPath;
    qint64 m_startedAtNs = 0;
    std::deque<TimedLine> m_unread;
    QStringList m_history;
};
