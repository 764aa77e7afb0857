#include "bridgedlinklibrary.h"

#include "codepage.h"
#include "linklibrarymessages.h"
#include "operatormessages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <algorithm>

using namespace BridgeProtocol;

namespace {

// As the in-process loader: the calls whose results are looked at read these
// as "failed" / "nothing received".
constexpr qint32 notAvailable = -1;
constexpr qint32 nothingReceived = 0;

// How long the bridge gets to end by itself once its input is closed.
constexpr int stopWaitMs = 1000;

std::string toBytes(const QString &text)
{
    const QByteArray converted = toCodePage(text);
    return std::string(converted.constData(), size_t(converted.size()));
}

QString fromBytes(const std::string &bytes)
{
    return fromCodePage(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// Texts from the bridge's system (loader errors) are in its local 8-bit encoding.
QString systemText(const std::string &bytes)
{
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

QStringList defaultCommand()
{
    QString program = QString::fromLatin1(BridgedLinkLibrary::bridgeName);
#if defined(Q_OS_WIN)
    program += QStringLiteral(".exe");
#endif
    if (QCoreApplication::instance())
        program = QDir(QCoreApplication::applicationDirPath()).filePath(program);
    return {program};
}

} // namespace

BridgedLinkLibrary::BridgedLinkLibrary(
    OperatorMessages &messages, QStringList command, std::chrono::milliseconds answerBound)
    : m_messages(messages)
    , m_command(command.isEmpty() ? defaultCommand() : std::move(command))
    , m_answerBound(answerBound)
{
    // What the bridge (or Wine) writes for a person lands where ours does.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

BridgedLinkLibrary::~BridgedLinkLibrary()
{
    stop();
}

qint64 BridgedLinkLibrary::bridgeProcessId() const
{
    return m_process.state() == QProcess::Running ? m_process.processId() : 0;
}

bool BridgedLinkLibrary::start()
{
    m_started = true;
    m_process.start(m_command.first(), m_command.mid(1), QIODevice::ReadWrite);
    if (m_process.waitForStarted(int(m_answerBound.count())))
        return true;
    giveUp(QStringLiteral("could not be started: %1").arg(m_process.errorString()));
    return false;
}

void BridgedLinkLibrary::stop()
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

void BridgedLinkLibrary::giveUp(const QString &what)
{
    m_broken = true;
    stop();
    m_messages.show(bridgeFailedText(m_command.join(QLatin1Char(' ')), what));
}

bool BridgedLinkLibrary::awaitAnswer(std::string &body)
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

std::optional<Answer> BridgedLinkLibrary::exchange(const Call &call)
{
    const int function = int(call.function);
    if (m_broken || m_missingFunctions.contains(function) || (!m_started && !start()))
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
    switch (answer.status) {
    case Status::Done:
        return answer;
    case Status::LibraryMissing:
        // The bridge tried once and will not try again: neither do we.
        m_broken = true;
        stop();
        m_messages.show(
            libraryNotLoadedText(systemText(answer.library), systemText(answer.reason)));
        break;
    case Status::FunctionMissing:
        m_missingFunctions.insert(function);
        m_messages.show(functionMissingText(systemText(answer.library),
            QString::fromLatin1(signature(call.function).name), systemText(answer.reason)));
        break;
    case Status::BadRequest:
        giveUp(QStringLiteral("refused a call: %1").arg(systemText(answer.reason)));
        break;
    }
    return std::nullopt;
}

qint32 BridgedLinkLibrary::numbers(Function function, std::initializer_list<qint32> arguments)
{
    Call call = emptyCall(function);
    std::transform(arguments.begin(), arguments.end(), call.arguments.begin(), [](qint32 number) {
        return Value {number, {}, {}};
    });
    const std::optional<Answer> answer = exchange(call);
    return answer ? answer->result : notAvailable;
}

qint32 BridgedLinkLibrary::textsThenNumbers(
    Function function, std::initializer_list<QString> texts, std::initializer_list<qint32> numbers)
{
    Call call = emptyCall(function);
    auto argument = call.arguments.begin();
    for (const QString &text : texts)
        (argument++)->text = toBytes(text);
    for (const qint32 number : numbers)
        (argument++)->number = number;
    const std::optional<Answer> answer = exchange(call);
    return answer ? answer->result : notAvailable;
}

qint32 BridgedLinkLibrary::InitializeComm(qint32 port, qint32 baud)
{
    return numbers(Function::InitializeComm, {port, baud});
}

qint32 BridgedLinkLibrary::radio_set_baudrate(qint32 baud)
{
    return numbers(Function::radio_set_baudrate, {baud});
}

qint32 BridgedLinkLibrary::radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    return numbers(Function::radio_init, {port, channel, mask, flags});
}

qint32 BridgedLinkLibrary::radio_close()
{
    return numbers(Function::radio_close, {});
}

qint32 BridgedLinkLibrary::TerminateComm(qint32 port)
{
    return numbers(Function::TerminateComm, {port});
}

qint32 BridgedLinkLibrary::Get_Message(
    qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
{
    Call call = emptyCall(Function::Get_Message);
    call.arguments[0].number = message;
    call.arguments[1].number = maxLength;
    call.arguments[2].number = flags;
    call.arguments[3].text = toBytes(sender);
    const std::optional<Answer> answer = exchange(call);
    if (!answer)
        return nothingReceived;
    message = answer->arguments[0].number;
    sender = fromBytes(answer->arguments[3].text);
    return answer->result;
}

QString BridgedLinkLibrary::GetStringFromPtr(const QString &text, qint32 message, qint32 length)
{
    Call call = emptyCall(Function::GetStringFromPtr);
    call.arguments[0].text = toBytes(text);
    call.arguments[1].number = message;
    call.arguments[2].number = length;
    const std::optional<Answer> answer = exchange(call);
    return answer ? fromBytes(answer->arguments[0].text) : text;
}

qint32 BridgedLinkLibrary::Send_Message(
    const QString &data, const QString &destination, qint32 length, qint32 kind)
{
    return textsThenNumbers(Function::Send_Message, {data, destination}, {length, kind});
}

qint32 BridgedLinkLibrary::radio_recv4(
    RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
{
    constexpr size_t firstArray = std::tuple_size_v<RadioOuts>;
    constexpr size_t firstText = firstArray + 2;
    Call call = emptyCall(Function::radio_recv4);
    for (size_t i = 0; i < outs.size(); ++i)
        call.arguments[i].number = outs[i];
    std::copy(array1, array1 + receiveArraySize, call.arguments[firstArray].array.begin());
    std::copy(array2, array2 + receiveArraySize, call.arguments[firstArray + 1].array.begin());
    call.arguments[firstText].text = toBytes(text1);
    call.arguments[firstText + 1].text = toBytes(text2);

    const std::optional<Answer> answer = exchange(call);
    if (!answer)
        return notAvailable;
    for (size_t i = 0; i < outs.size(); ++i)
        outs[i] = answer->arguments[i].number;
    const std::vector<qint32> &back1 = answer->arguments[firstArray].array;
    const std::vector<qint32> &back2 = answer->arguments[firstArray + 1].array;
    std::copy(back1.begin(), back1.end(), array1);
    std::copy(back2.begin(), back2.end(), array2);
    text1 = fromBytes(answer->arguments[firstText].text);
    text2 = fromBytes(answer->arguments[firstText + 1].text);
    return answer->result;
}

qint32 BridgedLinkLibrary::radio_message_conf_laser(qint32 terminal, const QString &list)
{
    Call call = emptyCall(Function::radio_message_conf_laser);
    call.arguments[0].number = terminal;
    call.arguments[1].text = toBytes(list);
    const std::optional<Answer> answer = exchange(call);
    return answer ? answer->result : notAvailable;
}

qint32 BridgedLinkLibrary::xml_reset()
{
    return numbers(Function::xml_reset, {});
}

qint32 BridgedLinkLibrary::xml_position_inside_tag(const QString &name)
{
    return textsThenNumbers(Function::xml_position_inside_tag, {name}, {});
}

qint32 BridgedLinkLibrary::xml_write_tag(const QString &name, const QString &value)
{
    return textsThenNumbers(Function::xml_write_tag, {name, value}, {});
}

qint32 BridgedLinkLibrary::xml_remove_tag(const QString &name)
{
    return textsThenNumbers(Function::xml_remove_tag, {name}, {});
}
