#include "linksession.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QSerialPort>

#include <algorithm>
#include <cstring>

using namespace WendalinkProtocol;

// Silent unless switched on with QT_LOGGING_RULES="wendalink.warning=true".
Q_LOGGING_CATEGORY(lcWendalink, "wendalink", QtCriticalMsg)

namespace {

constexpr const char *deviceVariablePrefix = "WENDALINK_COM";

// Bytes the caller's NUL-terminated text can take without growing it.
qsizetype roomIn(const char *text)
{
    return text ? qsizetype(std::strlen(text)) : 0;
}

// The bytes of a list up to its closing record, a 5-byte record that begins
// with a zero byte (the NUL that ends the caller's copy of whole records), and
// at most `most`: a byte is read only once its record has begun with another.
qsizetype listSize(const char *list, qsizetype most)
{
    qsizetype size = 0;
    while (size < most && list[size] != 0)
        size = std::min(size + commandRecordSize, most);
    return size;
}

} // namespace

LinkSession &LinkSession::instance()
{
    // Never destroyed: the serial port must not outlive Qt's own teardown at
    // exit, and the operating system closes the device anyway.
    static LinkSession *session = new LinkSession;
    return *session;
}

LinkSession::LinkSession() = default;
LinkSession::~LinkSession() = default;

QString LinkSession::deviceName(qint32 port)
{
    const QString configured
        = qEnvironmentVariable(deviceVariablePrefix + QByteArray::number(port));
    if (!configured.isEmpty())
        return configured;
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

bool LinkSession::isOpen() const
{
    return m_link && m_port && m_port->isOpen();
}

bool LinkSession::lineLost() const
{
    if (!m_port)
        return false;
    const QSerialPort::SerialPortError error = m_port->error();
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

void LinkSession::closeLine()
{
    if (m_port && m_port->isOpen())
        m_port->close();
    m_link.reset();
    m_router.expectInitAnswer();
}

void LinkSession::closeAndEmptyQueues()
{
    closeLine();
    m_router.clear();
}

qint32 LinkSession::initializeComm(qint32 port, qint32 baud)
{
    closeAndEmptyQueues();
    m_portNumber = 0;
    if (port <= 0)
        return WendalinkResult::badArgument;
    if (!isSupportedBaud(baud))
        return WendalinkResult::unsupportedBaud;

    // A fresh object per opening, so that a close queued by an error of the
    // previous line can never reach this one.
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(deviceName(port));
    if (!m_port->open(QIODevice::ReadWrite)) {
        qCWarning(lcWendalink) << "cannot open" << m_port->portName() << m_port->errorString();
        return WendalinkResult::cannotOpen;
    }
    if (!m_port->setBaudRate(baud) || !m_port->setDataBits(QSerialPort::Data8)
        || !m_port->setParity(QSerialPort::NoParity) || !m_port->setStopBits(QSerialPort::OneStop)
        || !m_port->setFlowControl(QSerialPort::NoFlowControl)) {
        qCWarning(lcWendalink) << "cannot set up" << m_port->portName() << m_port->errorString();
        m_port->close();
        return WendalinkResult::cannotOpen;
    }
    // Some base stations draw power from these lines; a pseudo-terminal has
    // none and refuses, which is no reason to fail.
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(true);
    m_port->clearError();
    // Qt's own buffer holds no more than one call takes; a peer flooding the
    // line then waits in the driver instead of filling memory.
    m_port->setReadBufferSize(SerialLink::maxBytesPerCall);
    m_link = std::make_unique<SerialLink>(*m_port);
    m_link->setBaudRate(baud);

    // When the caller runs an event loop, Qt reads the line by itself and a
    // line that went away keeps its read notifier firing; closing at once (on
    // the next turn of the loop, not inside Qt's own read) stops that spin.
    QSerialPort *opened = m_port.get();
    QObject::connect(opened, &QSerialPort::errorOccurred, opened,
        [this, opened](QSerialPort::SerialPortError error) {
            if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
                return;
            QMetaObject::invokeMethod(
                opened,
                [this, opened] {
                    if (m_port.get() == opened)
                        closeLine();
                },
                Qt::QueuedConnection);
        });
    m_portNumber = port;
    return WendalinkResult::ok;
}

qint32 LinkSession::setBaudRate(qint32 baud)
{
    if (!isSupportedBaud(baud))
        return WendalinkResult::unsupportedBaud;
    if (!isOpen())
        return WendalinkResult::notOpen;
    if (!m_port->setBaudRate(baud))
        return WendalinkResult::unsupportedBaud;
    m_link->setBaudRate(baud);
    return WendalinkResult::ok;
}

qint32 LinkSession::radioInit(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    if (!isOpen())
        return WendalinkResult::notOpen;
    if (port != m_portNumber)
        return WendalinkResult::badArgument;

    m_router.expectInitAnswer();
    const qint32 sent = send(encode(InitRequest {channel, mask, flags}));
    if (sent != WendalinkResult::ok)
        return sent;

    const QDeadlineTimer deadline(initAnswerTimeoutMs);
    for (;;) {
        receive();
        if (m_router.initAnswered())
            return WendalinkResult::ok;
        if (!isOpen())
            return WendalinkResult::notOpen;
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return WendalinkResult::noAnswer;
        m_port->waitForReadyRead(int(remaining));
    }
}

qint32 LinkSession::radioClose()
{
    closeAndEmptyQueues();
    return WendalinkResult::ok;
}

qint32 LinkSession::terminateComm(qint32 /*port*/)
{
    // There is only ever one port open; whatever number comes, it is the one closed.
    return radioClose();
}

void LinkSession::receive()
{
    if (!isOpen())
        return;
    const QList<Frame> frames = m_link->receive();
    if (lineLost()) {
        qCWarning(lcWendalink) << "line lost:" << m_port->errorString();
        closeLine();
        return;
    }
    for (const Frame &frame : frames)
        m_router.route(frame);
}

qint32 LinkSession::send(const QByteArray &frame)
{
    if (frame.isEmpty())
        return WendalinkResult::badArgument;
    if (!isOpen())
        return WendalinkResult::notOpen;
    const bool written = m_link->write(frame, writeTimeoutMs);
    if (lineLost()) {
        closeLine();
        return WendalinkResult::notOpen;
    }
    if (!written) {
        // Failed means not sent: no stale tail of this frame goes out later.
        m_port->clear(QSerialPort::Output);
        return WendalinkResult::writeFailed;
    }
    return WendalinkResult::ok;
}

qint32 LinkSession::getMessage(qint32 *message, qint32 maxLength, char *sender)
{
    // The result is a length, so every failure reads as "nothing received".
    if (!message)
        return 0;
    receive();
    for (;;) {
        const std::optional<MessageQueue::Message> next = m_router.serialMessages().announceNext();
        if (!next)
            return 0;
        if (next->text.isEmpty()) {
            // A length of 0 would read as "nothing"; an empty message carries nothing anyway.
            m_router.serialMessages().fetch(next->handle);
            continue;
        }
        *message = next->handle;
        if (sender) {
            const qsizetype room = std::min(roomIn(sender), next->sender.size());
            std::memcpy(sender, next->sender.constData(), size_t(room));
        }
        const qsizetype length
            = maxLength > 0 ? std::min<qsizetype>(next->text.size(), maxLength) : next->text.size();
        return qint32(length);
    }
}

std::optional<QByteArray> LinkSession::fetchMessage(qint32 message, qint32 length)
{
    const std::optional<MessageQueue::Message> fetched = m_router.serialMessages().fetch(message);
    if (!fetched)
        return std::nullopt;
    return fetched->text.left(std::max(length, 0));
}

qint32 LinkSession::sendMessage(
    const char *data, const char *destination, qint32 length, qint32 kind)
{
    if (!data || !destination || length < 0 || length > maxSerialDataSize)
        return WendalinkResult::badArgument;
    receive();
    const SerialSend message {
        fixedSenderId(QByteArrayView(destination)), kind, QByteArray(data, listSize(data, length))};
    return send(encode(message));
}

qint32 LinkSession::radioRecv4(qint32 *status, qint32 *terminal, qint32 *textLength, char *text)
{
    receive();
    const std::optional<MessageQueue::Message> message = m_router.radioMessages().takeNext();
    if (!message)
        return WendalinkResult::nothingReceived;
    if (status)
        *status = WendalinkResult::ok;
    if (terminal)
        *terminal = message->terminal;
    if (textLength)
        *textLength = qint32(message->text.size());
    if (text) {
        const qsizetype count = std::min(roomIn(text), message->text.size());
        std::memcpy(text, message->text.constData(), size_t(count));
    }
    return WendalinkResult::ok;
}

qint32 LinkSession::radioMessageConfLaser(qint32 terminal, const char *list)
{
    if (!list || terminal < 0 || terminal > maxTerminalNumber)
        return WendalinkResult::badArgument;
    // The list carries no length, and no list is longer than one record per option.
    const qsizetype size = listSize(list, maxCommandListSize);
    if (size == 0)
        return WendalinkResult::badArgument;
    receive();
    const TerminalConfiguration configuration {quint16(terminal), QByteArray(list, size)};
    return send(encode(configuration));
}
