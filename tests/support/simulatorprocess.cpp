#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

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
    // It removes its link on the way out; killed only when it does not end.
    send(QStringLiteral("quit"));
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
        while (!m_unread.isEmpty()) {
            if (m_unread.takeFirst().startsWith(prefix))
                return true;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
}

QStringList SimulatorProcess::configurations()
{
    readOutput();
    return m_configurations;
}

void SimulatorProcess::readOutput()
{
    m_partialLine += QString::fromLatin1(m_process.readAllStandardOutput());
    qsizetype end;
    while ((end = m_partialLine.indexOf(QLatin1Char('\n'))) >= 0) {
        const QString line = m_partialLine.left(end).trimmed();
        m_partialLine.remove(0, end + 1);
        if (line.startsWith(QLatin1String("config ")))
            m_configurations << line.section(QLatin1Char(' '), 1, 2);
        m_unread << line;
    }
}
