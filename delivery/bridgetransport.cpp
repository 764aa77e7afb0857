#include "bridgetransport.h"

#include "bridgeprotocol.h"
#include "linklibrarymessages.h"
#include "operatormessages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <algorithm>

#if !defined(Q_OS_WIN)
#include <csignal>
#endif

using namespace BridgeProtocol;
using LinkCall::Answer;
using LinkCall::Call;

namespace {

// A bridge is stopped within stopBoundMs: it has all of it but killWaitMs
// to end by itself once its input is closed, then it is killed.
constexpr int stopBoundMs = 1000;
constexpr int killWaitMs = 100;

#if !defined(Q_OS_WIN)
QString signalName(int number)
{
    struct Named
    {
        int number;
        const char *name;
    };
    static constexpr Named names[] = {{SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}, {SIGQUIT, "SIGQUIT"},
        {SIGILL, "SIGILL"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"}, {SIGFPE, "SIGFPE"},
        {SIGKILL, "SIGKILL"}, {SIGSEGV, "SIGSEGV"}, {SIGPIPE, "SIGPIPE"}, {SIGTERM, "SIGTERM"}};
    for (const Named &named : names) {
        if (named.number == number)
            return QStringLiteral(" (%1)").arg(QLatin1String(named.name));
    }
    return {};
}
#endif

// How a bridge that no longer runs ended.
QString howItEnded(const QProcess &process)
{
    if (process.exitStatus() == QProcess::NormalExit)
        return QStringLiteral("stopped with exit code %1").arg(process.exitCode());
#if defined(Q_OS_WIN)
    return QStringLiteral("crashed (exception code 0x%1)")
        .arg(uint(process.exitCode()), 8, 16, QLatin1Char('0'));
#else
    // For a process a signal ended, Qt gives the signal's number as its exit code.
    return QStringLiteral("was killed by signal %1%2")
        .arg(process.exitCode())
        .arg(signalName(process.exitCode()));
#endif
}

QStringList defaultCommand()
{
    QString program = QString::fromLatin1(BridgeTransport::bridgeName);
#if defined(Q_OS_WIN)
    program += QStringLiteral(".exe");
#endif
    if (QCoreApplication::instance())
        program = QDir(QCoreApplication::applicationDirPath()).filePath(program);
    return {program};
}

} // namespace

BridgeTransport::BridgeTransport(
    OperatorMessages &messages, QStringList command, std::chrono::milliseconds answerBound)
    : m_messages(messages)
    , m_command(command.isEmpty() ? defaultCommand() : std::move(command))
    , m_answerBound(answerBound)
{
    // What the bridge (or Wine) writes for a person lands where ours does.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

BridgeTransport::~BridgeTransport()
{
    stop();
}

qint64 BridgeTransport::bridgeProcessId() const
{
    return m_process.state() == QProcess::Running ? m_process.processId() : 0;
}

bool BridgeTransport::start()
{
    m_started = true;
    m_process.start(m_command.first(), m_command.mid(1), QIODevice::ReadWrite);
    if (m_process.waitForStarted(int(m_answerBound.count())))
        return true;
    giveUp(QStringLiteral("could not be started: %1").arg(m_process.errorString()));
    return false;
}

void BridgeTransport::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Closing its input is the bridge's cue to end; it is killed if it does not.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(stopBoundMs - killWaitMs)) {
        m_process.kill();
        m_process.waitForFinished(killWaitMs);
    }
}

void BridgeTransport::giveUp(const QString &what)
{
    m_broken = true;
    stop();
    m_messages.show(bridgeFailedText(m_command.join(QLatin1Char(' ')), what));
}

bool BridgeTransport::awaitAnswer(std::string &body, LinkCall::Pace pace)
{
    const bool bounded = pace == LinkCall::Pace::PerTick;
    const QDeadlineTimer deadline
        = bounded ? QDeadlineTimer(m_answerBound) : QDeadlineTimer(QDeadlineTimer::Forever);
    for (;;) {
        switch (takeMessage(m_received, body)) {
        case Take::Taken:
            if (m_received.empty())
                return true;
            giveUp(QStringLiteral("answered garbage: more than one answer to a call"));
            return false;
        case Take::TooLong:
            giveUp(QStringLiteral("answered garbage: an answer longer than %1 bytes")
                       .arg(maxBodySize));
            return false;
        case Take::Incomplete:
            break;
        }
        if (m_process.state() != QProcess::Running) {
            giveUp(howItEnded(m_process));
            return false;
        }
        if (deadline.hasExpired()) {
            giveUp(QStringLiteral("did not answer within %1 ms").arg(m_answerBound.count()));
            return false;
        }
        // The state and the deadline are checked again whether or not bytes came.
        m_process.waitForReadyRead(
            bounded ? int(std::max<qint64>(deadline.remainingTime(), 0)) : -1);
        const QByteArray more = m_process.readAllStandardOutput();
        m_received.append(more.constData(), size_t(more.size()));
    }
}

std::optional<Answer> BridgeTransport::carry(Call call)
{
    if (m_broken && call.function == LinkCall::Function::InitializeComm) {
        // Opening the line again (the next start, the serial dialog's OK) is
        // the way to try again: with a fresh bridge, as the old one's state is lost.
        m_broken = false;
        m_started = false;
        m_received.clear();
    }
    if (m_broken || (!m_started && !start()))
        return std::nullopt;

    const std::string request = encodeRequest(call);
    if (m_process.write(request.data(), qint64(request.size())) != qint64(request.size())) {
        giveUp(QStringLiteral("could not be sent a call: %1").arg(m_process.errorString()));
        return std::nullopt;
    }
    std::string body;
    if (!awaitAnswer(body, LinkCall::signature(call.function).pace))
        return std::nullopt;

    Answer answer;
    const std::string problem = decodeAnswer(body, call.function, answer);
    if (!problem.empty()) {
        giveUp(QStringLiteral("answered garbage: %1").arg(QString::fromStdString(problem)));
        return std::nullopt;
    }
    if (answer.status == LinkCall::Status::BadRequest) {
        giveUp(QStringLiteral("refused a call: %1")
                   .arg(QString::fromLocal8Bit(
                       answer.reason.data(), qsizetype(answer.reason.size()))));
        return std::nullopt;
    }
    return answer;
}
