#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>
#include <iterator>

SimulatorProcess::SimulatorProcess(const QString &linkPath, const QString &mode, int terminals)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendalink-sim"),
        {QStringLiteral("--link"), linkPath, QStringLiteral("--mode"), mode,
            QStringLiteral("--terminals"), QString::number(terminals)});
    m_ready = waitForLine(QStringLiteral("ready "));
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The end of its input ends it, and it removes its link on the way out;
    // killed only when it does not end.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(waitMs)) {
        m_process.kill();
        m_process.waitForFinished(waitMs);
    }
}

void SimulatorProcess::send(const QString &command)
{
    m_process.write((command + QLatin1Char('\n')).toLatin1());
    m_process.waitForBytesWritten(waitMs);
}

bool SimulatorProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readOutput();
        while (m_waitedFor < m_lines.size()) {
            if (m_lines.at(m_waitedFor++).startsWith(prefix))
                return true;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
}

QStringList SimulatorProcess::linesStartingWith(const QString &prefix)
{
    readOutput();
    QStringList found;
    std::copy_if(m_lines.cbegin(), m_lines.cend(), std::back_inserter(found),
        [&prefix](const QString &line) { return line.startsWith(prefix); });
    return found;
}

void SimulatorProcess::readOutput()
{
    m_partialLine += QString::fromLatin1(m_process.readAllStandardOutput());
    qsizetype end;
    while ((end = m_partialLine.indexOf(QLatin1Char('\n'))) >= 0) {
        const QString line = m_partialLine.left(end).trimmed();
        m_partialLine.remove(0, end + 1);
        m_lines << line;
    }
}
