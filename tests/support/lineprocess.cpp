#include "lineprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <chrono>

namespace {
constexpr int errorTailLines = 8;
} // namespace

LineProcess::~LineProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(waitMs))
        terminate();
}

qint64 LineProcess::nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString LineProcess::builtProgram(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

bool LineProcess::start(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, const QString &errorLogPath)
{
    m_errorLogPath = errorLogPath;
    m_process.setProcessEnvironment(environment);
    if (errorLogPath.isEmpty())
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        m_process.setStandardErrorFile(errorLogPath, QIODevice::Append);
    m_startedAtNs = nowNs();
    m_process.start(program, arguments);
    return m_process.waitForStarted(waitMs);
}

void LineProcess::readOutput()
{
    const qint64 now = nowNs();
    m_partialLine += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        m_lines.push_back({QString::fromUtf8(m_partialLine.left(end)).trimmed(), now});
        m_partialLine.remove(0, end + 1);
    }
}

std::optional<TimedLine> LineProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readOutput();
        while (m_waitedFor < m_lines.size()) {
            const TimedLine &line = m_lines.at(m_waitedFor++);
            if (line.text.startsWith(prefix))
                return line;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return std::nullopt;
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
}

QStringList LineProcess::linesStartingWith(const QString &prefix)
{
    readOutput();
    QStringList found;
    for (const TimedLine &line : m_lines) {
        if (line.text.startsWith(prefix))
            found << line.text;
    }
    return found;
}

void LineProcess::send(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten(waitMs);
}

void LineProcess::closeInput()
{
    m_process.closeWriteChannel();
}

bool LineProcess::waitForExit(int timeoutMs)
{
    const bool finished
        = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    readOutput();
    return finished;
}

void LineProcess::terminate()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(waitMs)) {
        m_process.kill();
        m_process.waitForFinished(waitMs);
    }
}

QString LineProcess::errorTail() const
{
    QFile log(m_errorLogPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(log.readAll()).trimmed().split(u'\n');
    return lines.mid(qMax(0, int(lines.size()) - errorTailLines)).join(QLatin1String(" / "));
}
