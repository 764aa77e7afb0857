#include "simulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace {
constexpr int startTimeoutMs = 5000;
constexpr int stopTimeoutMs = 3000;
} // namespace

Simulator::Simulator(const QString &linkPath, const QString &mode, int terminals)
{
    m_process.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/wendalink-sim"));
    m_process.setArguments({QStringLiteral("--link"), linkPath, QStringLiteral("--mode"), mode,
        QStringLiteral("--terminals"), QString::number(terminals)});
    m_process.start();
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_ready && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(50);
        readOutput();
    }
}

Simulator::~Simulator()
{
    stop();
}

void Simulator::send(const QString &command)
{
    m_process.write((command + QLatin1Char('\n')).toLatin1());
    m_process.waitForBytesWritten(stopTimeoutMs);
}

QStringList Simulator::configurations()
{
    readOutput();
    return m_configurations;
}

QString Simulator::errors()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

void Simulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    send(QStringLiteral("quit"));
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        m_process.terminate();
        if (!m_process.waitForFinished(stopTimeoutMs))
            m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
    }
}

void Simulator::readOutput()
{
    m_pending += QString::fromLatin1(m_process.readAllStandardOutput());
    qsizetype end;
    while ((end = m_pending.indexOf(QLatin1Char('\n'))) >= 0) {
        const QString line = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        if (line.startsWith(QLatin1String("ready ")))
            m_ready = true;
        if (line.startsWith(QLatin1String("config "))) {
            const QStringList words = line.split(QLatin1Char(' '));
            m_configurations << words.mid(1, 2).join(QLatin1Char(' '));
        }
    }
}
