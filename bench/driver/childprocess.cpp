#include "childprocess.h"

#include "benchclock.h"

#include <QFile>

namespace {
constexpr int startTimeoutMs = 10000;
constexpr int gracefulExitMs = 3000;
constexpr int errorTailLines = 8;
} // namespace

ChildProcess::ChildProcess(QString name)
    : m_name(std::move(name))
{ }

ChildProcess::~ChildProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(gracefulExitMs))
        terminate();
}

bool ChildProcess::start(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, const QString &errorLogPath)
{
    m_errorLogPath = errorLogPath;
    m_process.setProcessEnvironment(environment);
    m_process.setStandardErrorFile(errorLogPath, QIODevice::Append);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_startedAtNs = monotonicNs();
    m_process.start(program, arguments);
    return m_process.waitForStarted(startTimeoutMs);
}

bool ChildProcess::readMore(int timeoutMs)
{
    if (!m_process.canReadLine() && !m_process.waitForReadyRead(timeoutMs))
        return false;
    const qint64 now = monotonicNs();
    while (m_process.canReadLine()) {
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        m_unread.push_back({line, now});
        m_history << line;
    }
    return true;
}

std::optional<TimedLine> ChildProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    const qint64 deadline = monotonicNs() + qint64(timeoutMs) * qint64(nsPerMs);
    for (;;) {
        while (!m_unread.empty()) {
            TimedLine line = m_unread.front();
            m_unread.pop_front();
            if (line.text.startsWith(prefix))
                return line;
        }
        const qint64 left = deadline - monotonicNs();
        if (left <= 0 || !readMore(int(double(left) / nsPerMs) + 1))
            return std::nullopt;
    }
}

void ChildProcess::send(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten();
}

void ChildProcess::closeInput()
{
    m_process.closeWriteChannel();
}

void ChildProcess::terminate()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(gracefulExitMs)) {
        m_process.kill();
        m_process.waitForFinished(gracefulExitMs);
    }
}

bool ChildProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    // Lines printed on the way out are still wanted.
    const bool finished = m_process.waitForFinished(timeoutMs);
    while (m_process.canReadLine() || m_process.bytesAvailable() > 0) {
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        m_unread.push_back({line, monotonicNs()});
        m_history << line;
    }
    return finished;
}

QString ChildProcess::errorTail() const
{
    QFile log(m_errorLogPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(log.readAll()).trimmed().split(u'\n');
    return lines.mid(qMax(0, int(lines.size()) - errorTailLines)).join(QLatin1String(" / "));
}
