#pragma once

#include <QProcess>
#include <QStringList>

// wendalink-sim (built beside the test) run by a test: a simulated base
// station, or serial terminals, on a pseudo-terminal reached through `linkPath`.
class SimulatorProcess
{
public:
    static constexpr int waitMs = 5000;

    SimulatorProcess(const QString &linkPath, const QString &mode, int terminals = 3);
    ~SimulatorProcess();

    bool isReady() const { return m_ready; }
    void send(const QString &command);
    // Whether a line beginning with `prefix` comes within `timeoutMs`; the
    // lines up to it are used up.
    bool waitForLine(const QString &prefix, int timeoutMs = waitMs);
    // Every line so far that begins with `prefix`, waited for or not.
    QStringList linesStartingWith(const QString &prefix);

private:
    void readOutput();

    QProcess m_process;
    QString m_partialLine;
    QStringList m_lines;
    qsizetype m_waitedFor = 0; // lines that waitForLine has looked at
    bool m_ready = false;
};
