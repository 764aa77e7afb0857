#include "bridgetransport.h"

#include "bridgeprotocol.h"
#include "linklibrarymessages.h"
#include "operatormessages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <algorithm>

using namespace BridgeProtocol;
using LinkCall::Answer;
using LinkCall::Call;

namespace {

// How long the bridge gets to end by itself once its input is closed.
constexpr int stopWaitMs = 1000;

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
    if (!m_process.waitForFinished(stopWaitMs)) {
        m_process.kill();
        m_process.waitForFinished(stopWaitMs);
    }
}

void BridgeTransport::giveUp(const QString &what)
{
    m_broken = true;
    stop();
    m_messages.show(bridgeFailedText(m_command.join(QLatin1Char(' ')), what));
}

bool BridgeTransport::awaitAnswer(std::string &body)
{
    const QDeadlineTimer deadline(m_answerBound);
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
            giveUp(QStringLiteral("stopped (exit code %1)").arg(m_process.exitCode()));
            return false;
        }
        if (deadline.hasExpired()) {
            giveUp(QStringLiteral("did not answer within %1 ms").arg(m_answerBound.count()));
            return false;
        }
        // The state and the deadline are checked again whether or not bytes came.
        m_process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0)));
        const QByteArray more = m_process.readAllStandardOutput();
        m_received.append(more.constData(), size_t(more.size()));
    }
}

std::optional<Answer> BridgeTransport::carry(Call call)
{
    if (m_broken || (!m_started && !start()))
        return std::nullopt;

    const std::string request = encodeRequest(call);
    if (m_process.write(request.data(), qint64(request.size())) != qint64(request.size())) {
        giveUp(QStringLiteral("could not be sent a call: %1").arg(m_process.errorString()));
        return std::nullopt;
    }
    std::string body;
    if (!awaitAnswer(body))
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
