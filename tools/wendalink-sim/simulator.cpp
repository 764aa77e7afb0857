#include "simulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace WendalinkProtocol;

namespace {

constexpr qsizetype readChunk = 4096;
// A command line is short; input without line ends (a file of zeros, say) must
// not grow without bound.
constexpr qsizetype maxCommandLength = 4096;
constexpr const char *senderIdPrefix = "TERM";
constexpr int senderIdDigits = 4;
constexpr char firstPrintable = 0x20;
constexpr char lastPrintable = 0x7E;
// A pseudo-terminal passes bytes at once, whatever speed the library sets.
constexpr qint32 lineBaud = supportedBauds.back();
// Frames added to the output at a time while flooding: enough to keep the
// line busy, few enough that a command's bytes soon follow them.
constexpr int floodFramesPerTopUp = 16;
// A partial frame is looked at again no sooner than this, so that a timer
// that fires a little early cannot spin.
constexpr qint64 minPartialFrameWaitMs = 1;

QByteArray printable(const QByteArray &bytes)
{
    QByteArray text;
    for (const char byte : bytes) {
        if (byte >= firstPrintable && byte <= lastPrintable)
            text += byte;
        else
            text += "\\x" + QByteArray::number(quint8(byte), 16).rightJustified(2, '0');
    }
    return text;
}

// The command records as an operator reads them: each record without its
// padding zero bytes, e.g. "ZA RA UE05".
QByteArray decodedRecords(const QByteArray &list)
{
    QList<QByteArray> records;
    for (qsizetype at = 0; at < list.size(); at += commandRecordSize) {
        QByteArray record = list.mid(at, commandRecordSize);
        record.replace('\0', QByteArray());
        records << (record.isEmpty() ? QByteArray("--") : printable(record));
    }
    return records.join(' ');
}

// The first word of `text` and what follows it, both trimmed.
std::pair<QByteArray, QByteArray> splitFirstWord(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    const auto end = std::find_if(
        trimmed.begin(), trimmed.end(), [](char c) { return std::isspace(uchar(c)); });
    const qsizetype length = end - trimmed.begin();
    return {trimmed.left(length), trimmed.mid(length).trimmed()};
}

// A whole decimal number in [min, max], or nothing.
std::optional<int> number(const QByteArray &text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

Simulator::Simulator(SimulatorOptions options)
    : m_options(std::move(options))
    , m_input(STDIN_FILENO, QSocketNotifier::Read)
{
    connect(&m_input, &QSocketNotifier::activated, this, &Simulator::readInput);
    m_autoRequests.setTimerType(Qt::PreciseTimer);
    connect(&m_autoRequests, &QTimer::timeout, this, [this] {
        for (int terminal = 1; terminal <= m_options.terminals; ++terminal)
            request(terminal, defaultRequestText);
    });
    m_partialFrameDue.setSingleShot(true);
    m_partialFrameDue.setTimerType(Qt::PreciseTimer);
    connect(&m_partialFrameDue, &QTimer::timeout, this, &Simulator::checkPartialFrame);
    m_floodEnd.setSingleShot(true);
    connect(&m_floodEnd, &QTimer::timeout, this, &Simulator::endFlood);
}

Simulator::~Simulator()
{
    closeLine();
    removeLink();
}

void Simulator::event(const QByteArray &line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

void Simulator::problem(const QByteArray &line)
{
    std::fputs(("wendalink-sim: " + line + '\n').constData(), stderr);
    std::fflush(stderr);
}

bool Simulator::createLink()
{
    const QString &path = m_options.linkPath;
    const QFileInfo existing(path);
    // A link left by a simulator that was killed is replaced; anything else at
    // that path is somebody's file and stays.
    if (existing.isSymLink()) {
        QFile::remove(path);
    } else if (existing.exists()) {
        problem(QFile::encodeName(path) + " exists and is not a symbolic link");
        return false;
    }
    QFile device(m_line.deviceName());
    if (!device.link(path)) {
        problem(QFile::encodeName(path) + ": " + device.errorString().toLocal8Bit());
        return false;
    }
    m_linkCreated = true;
    return true;
}

void Simulator::removeLink()
{
    if (m_linkCreated && QFile::symLinkTarget(m_options.linkPath) == m_line.deviceName())
        QFile::remove(m_options.linkPath);
    m_linkCreated = false;
}

bool Simulator::start()
{
    QString error;
    if (!m_line.open(error)) {
        problem(error.toLocal8Bit());
        return false;
    }
    if (!createLink())
        return false;
    m_clock.start();
    m_lineReadable
        = std::make_unique<QSocketNotifier>(m_line.masterDescriptor(), QSocketNotifier::Read);
    connect(m_lineReadable.get(), &QSocketNotifier::activated, this, &Simulator::readLine);
    m_lineWritable
        = std::make_unique<QSocketNotifier>(m_line.masterDescriptor(), QSocketNotifier::Write);
    m_lineWritable->setEnabled(false);
    connect(m_lineWritable.get(), &QSocketNotifier::activated, this, &Simulator::writeLine);
    event("ready " + QFile::encodeName(m_options.linkPath));
    if (m_options.autoPeriod.count() > 0)
        m_autoRequests.start(m_options.autoPeriod);
    return true;
}

void Simulator::readInput()
{
    char buffer[readChunk];
    const ssize_t length = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (length < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (length <= 0) {
        m_input.setEnabled(false);
        handleCommand(m_pendingInput);
        QCoreApplication::quit();
        return;
    }
    m_pendingInput.append(buffer, length);
    qsizetype end;
    while ((end = m_pendingInput.indexOf('\n')) >= 0) {
        const QByteArray line = m_pendingInput.left(end);
        m_pendingInput.remove(0, end + 1);
        handleCommand(line);
    }
    if (m_pendingInput.size() > maxCommandLength) {
        problem("a command longer than " + QByteArray::number(maxCommandLength)
            + " characters was ignored");
        m_pendingInput.clear();
    }
}

void Simulator::handleCommand(const QByteArray &rawLine)
{
    const auto [command, arguments] = splitFirstWord(rawLine);
    const auto [firstWord, text] = splitFirstWord(arguments);

    if (command.isEmpty()) {
        return;
    } else if (command == "quit") {
        QCoreApplication::quit();
    } else if (command == "request") {
        const auto terminal = firstWord.isEmpty() ? 1 : number(firstWord, 1, maxTerminalNumber);
        if (!terminal) {
            problem("request: terminal must be a number from 1 to 65535, not " + firstWord);
            return;
        }
        request(*terminal, text.isEmpty() ? QByteArray(defaultRequestText) : text);
    } else if (command == "noise") {
        if (const auto count = number(firstWord, 0, maxNoiseBytes))
            sendNoise(*count);
        else
            problem("noise: the count must be a number from 0 to "
                + QByteArray::number(maxNoiseBytes) + ", not " + firstWord);
    } else if (command == "flood") {
        if (const auto seconds = number(firstWord, 1, maxFloodSeconds))
            startFlood(*seconds);
        else
            problem("flood: the period must be a number of seconds from 1 to "
                + QByteArray::number(maxFloodSeconds) + ", not " + firstWord);
    } else if (command == "hangup") {
        hangUp();
    } else {
        problem("unknown command: " + rawLine.trimmed());
    }
}

QByteArray Simulator::senderId(int terminal)
{
    return fixedSenderId(
        senderIdPrefix + QByteArray::number(terminal).rightJustified(senderIdDigits, '0'));
}

int Simulator::terminalOf(const QByteArray &id) const
{
    if (!id.startsWith(senderIdPrefix))
        return 0;
    const auto terminal
        = number(id.mid(qsizetype(std::strlen(senderIdPrefix))).trimmed(), 1, maxTerminalNumber);
    return terminal && senderId(*terminal) == id ? *terminal : 0;
}

bool Simulator::isKnownTerminal(int terminal) const
{
    return (terminal >= 1 && terminal <= m_options.terminals)
        || m_requestedTerminals.contains(terminal);
}

void Simulator::request(int terminal, const QByteArray &text)
{
    if (!m_line.isOpen()) {
        problem("request: the line is closed");
        return;
    }
    m_requestedTerminals.insert(terminal);
    // Queued before it is reported, so whoever reads the report finds the
    // bytes already on the line.
    const QByteArray reported = "request " + QByteArray::number(terminal) + " sent";
    if (m_options.mode == SimulatorMode::Base) {
        if (queueForLine(
                encode(TerminalMessage {quint16(terminal), text.left(maxTerminalTextSize)})))
            event(reported + ": " + printable(text));
    } else {
        const QByteArray id = senderId(terminal);
        if (queueForLine(encode(SerialMessage {id, text.left(maxSerialTextSize)})))
            event(reported + " as " + id + ": " + printable(text));
    }
}

void Simulator::sendNoise(int count)
{
    if (!m_line.isOpen()) {
        problem("noise: the line is closed");
        return;
    }
    std::vector<quint32> words((std::size_t(count) + sizeof(quint32) - 1) / sizeof(quint32));
    QRandomGenerator::global()->fillRange(words.data(), qsizetype(words.size()));
    if (queueForLine(QByteArray(reinterpret_cast<const char *>(words.data()), count)))
        event("noise " + QByteArray::number(count) + " bytes sent");
}

void Simulator::startFlood(int seconds)
{
    if (!m_line.isOpen()) {
        problem("flood: the line is closed");
        return;
    }
    m_floodBytes = 0;
    m_floodEnd.start(std::chrono::seconds(seconds));
    topUpFlood();
}

void Simulator::topUpFlood()
{
    if (!m_output.isEmpty())
        return;
    // The largest valid frame, of a kind the library ignores (its own frames
    // echoed back), so that only the flood's size and speed count.
    static const QByteArray frame
        = encode(SerialSend {senderId(1), 0, QByteArray(maxSerialDataSize, 'F')});
    for (int count = 0; count < floodFramesPerTopUp; ++count)
        m_output.append(frame);
    m_floodBytes += floodFramesPerTopUp * frame.size();
    writeLine();
}

void Simulator::endFlood()
{
    m_floodEnd.stop();
    event("flood " + QByteArray::number(m_floodBytes) + " bytes sent");
}

void Simulator::hangUp()
{
    if (!m_line.isOpen()) {
        problem("hangup: the line is already closed");
        return;
    }
    closeLine();
    event("hangup");
}

void Simulator::closeLine()
{
    // The notifiers go before the descriptor they watch.
    m_lineReadable.reset();
    m_lineWritable.reset();
    m_line.hangUp();
    m_output.clear();
    m_decoder.clear();
    m_partialFrameDue.stop();
    if (m_floodEnd.isActive())
        endFlood();
}

bool Simulator::queueForLine(const QByteArray &bytes)
{
    if (m_output.size() + bytes.size() > maxPendingOutput) {
        problem(
            "the library is not reading; " + QByteArray::number(bytes.size()) + " bytes not sent");
        return false;
    }
    m_output.append(bytes);
    writeLine();
    return true;
}

void Simulator::writeLine()
{
    while (m_line.isOpen() && !m_output.isEmpty()) {
        const ssize_t written = ::write(
            m_line.masterDescriptor(), m_output.constData(), std::size_t(m_output.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                problem(QByteArray("write: ") + std::strerror(errno));
            break;
        }
        m_output.remove(0, written);
        if (m_output.isEmpty() && m_floodEnd.isActive())
            topUpFlood();
    }
    // Woken when the line takes more, only while something waits for it.
    if (m_lineWritable)
        m_lineWritable->setEnabled(!m_output.isEmpty());
}

void Simulator::readLine()
{
    char buffer[readChunk];
    for (;;) {
        const ssize_t length = ::read(m_line.masterDescriptor(), buffer, sizeof buffer);
        if (length > 0) {
            m_decoder.feed(QByteArrayView(buffer, length), m_clock.elapsed());
            continue;
        }
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or an error on our own side: nothing more can come.
        problem(
            QByteArray("the line failed: ") + (length == 0 ? "end of file" : std::strerror(errno)));
        closeLine();
        return;
    }
    handleFrames();
}

void Simulator::checkPartialFrame()
{
    m_decoder.abandonFramesStartedBy(m_clock.elapsed() - partialFrameDeadlineMs(lineBaud));
    handleFrames();
}

void Simulator::handleFrames()
{
    const qint64 dropped = m_decoder.droppedFrames();
    if (dropped != m_reportedDamage) {
        problem(QByteArray::number(dropped - m_reportedDamage) + " damaged frame(s) dropped ("
            + QByteArray::number(dropped) + " so far)");
        m_reportedDamage = dropped;
    }
    for (const Frame &frame : m_decoder.takeFrames())
        handleFrame(frame);
    if (m_decoder.pendingBytes() == 0 || !m_line.isOpen()) {
        m_partialFrameDue.stop();
        return;
    }
    const qint64 dueMs = m_decoder.pendingSinceMs() + partialFrameDeadlineMs(lineBaud);
    m_partialFrameDue.start(
        std::chrono::milliseconds(qMax(minPartialFrameWaitMs, dueMs - m_clock.elapsed())));
}

void Simulator::handleFrame(const Frame &frame)
{
    const bool baseMode = m_options.mode == SimulatorMode::Base;
    switch (frame.type) {
    case FrameType::InitRequest:
        if (!decode<InitRequest>(frame)) {
            problem("malformed initialisation frame");
        } else if (baseMode) {
            queueForLine(encode(InitAnswer {quint16(m_options.terminals)}));
            event("init answered (" + QByteArray::number(m_options.terminals) + " terminals)");
        } else {
            event("init ignored (serial mode)");
        }
        break;
    case FrameType::TerminalConfiguration:
        if (const auto configuration = decode<TerminalConfiguration>(frame)) {
            if (baseMode)
                receiveConfiguration(configuration->terminal, configuration->list);
            else
                event("ignored radio configuration for terminal "
                    + QByteArray::number(configuration->terminal) + " (serial mode)");
        } else {
            problem("malformed configuration frame");
        }
        break;
    case FrameType::SerialSend:
        if (const auto message = decode<SerialSend>(frame)) {
            const int terminal = terminalOf(message->destination);
            const QByteArray destination = '"' + printable(message->destination) + '"';
            if (baseMode)
                event("ignored serial message to " + destination + " (base mode)");
            else if (terminal == 0 || !isKnownTerminal(terminal))
                event("unknown destination " + destination + ' ' + message->data.toHex());
            else
                receiveConfiguration(terminal, message->data);
        } else {
            problem("malformed serial message frame");
        }
        break;
    case FrameType::InitAnswer:
    case FrameType::TerminalMessage:
    case FrameType::SerialMessage:
        problem(
            "unexpected frame type " + QByteArray::number(int(frame.type)) + " from the library");
        break;
    }
}

void Simulator::receiveConfiguration(int terminal, const QByteArray &list)
{
    const QByteArray hex = ' ' + QByteArray::number(terminal) + ' ' + list.toHex();
    if (!isKnownTerminal(terminal))
        event("unknown terminal" + hex);
    else
        event("config" + hex + (list.isEmpty() ? QByteArray() : ' ' + decodedRecords(list)));
}
