#include "simulator.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace WendalinkProtocol;

namespace {

constexpr int exitOk = 0;
constexpr int exitFailure = 1;
constexpr std::size_t readChunk = 4096;
// A command line is short; input without line ends (a file of zeros, say) must
// not grow without bound.
constexpr std::size_t maxCommandLength = 4096;
constexpr const char *senderIdPrefix = "TERM";
constexpr int senderIdDigits = 4;
constexpr char firstPrintable = 0x20;
constexpr char lastPrintable = 0x7E;
// A pseudo-terminal passes bytes at once, whatever speed the library sets.
constexpr qint32 lineBaud = supportedBauds.back();
// Frames added to the output at a time while flooding: enough to keep the
// line busy, few enough that a command's bytes soon follow them.
constexpr int floodFramesPerTopUp = 16;

std::string trimmed(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::string printable(const QByteArray &bytes)
{
    std::string text;
    for (const char byte : bytes) {
        if (byte >= firstPrintable && byte <= lastPrintable) {
            text += byte;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", unsigned(quint8(byte)));
            text += escaped;
        }
    }
    return text;
}

// The command records as an operator reads them: each record without its
// padding zero bytes, e.g. "ZA RA UE05".
std::string decodedRecords(const QByteArray &list)
{
    std::string decoded;
    for (qsizetype at = 0; at < list.size(); at += commandRecordSize) {
        QByteArray record = list.mid(at, commandRecordSize);
        record.replace('\0', QByteArray());
        if (!decoded.empty())
            decoded += ' ';
        decoded += record.isEmpty() ? std::string("--") : printable(record);
    }
    return decoded;
}

} // namespace

Simulator::Simulator(SimulatorOptions options)
    : m_options(std::move(options))
{ }

void Simulator::event(const std::string &line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Simulator::problem(const std::string &line)
{
    std::fprintf(stderr, "wendalink-sim: %s\n", line.c_str());
    std::fflush(stderr);
}

bool Simulator::createLink()
{
    const std::string &path = m_options.linkPath;
    struct stat existing = {};
    if (lstat(path.c_str(), &existing) == 0) {
        // A link left by a simulator that was killed is replaced; anything
        // else at that path is somebody's file and stays.
        if (!S_ISLNK(existing.st_mode)) {
            problem(path + " exists and is not a symbolic link");
            return false;
        }
        unlink(path.c_str());
    }
    if (symlink(m_line.deviceName().c_str(), path.c_str()) != 0) {
        problem(path + ": " + std::strerror(errno));
        return false;
    }
    m_linkCreated = true;
    return true;
}

void Simulator::removeLink()
{
    if (!m_linkCreated)
        return;
    m_linkCreated = false;
    char target[PATH_MAX];
    const ssize_t length = readlink(m_options.linkPath.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string(target, std::size_t(length)) == m_line.deviceName())
        unlink(m_options.linkPath.c_str());
}

int Simulator::run(int stopSignal)
{
    std::string error;
    if (!m_line.open(error)) {
        problem(error);
        return exitFailure;
    }
    if (!createLink())
        return exitFailure;
    event("ready " + m_options.linkPath);

    const auto autoPeriod = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(m_options.autoSeconds));
    m_nextAutoRequest = Clock::now() + autoPeriod;

    while (m_running) {
        pollfd descriptors[3] = {};
        nfds_t count = 0;
        descriptors[count++] = {stopSignal, POLLIN, 0};
        const int inputIndex = m_inputOpen ? int(count) : -1;
        if (m_inputOpen)
            descriptors[count++] = {STDIN_FILENO, POLLIN, 0};
        if (m_flooding)
            continueFlood(Clock::now());
        const int lineIndex = m_line.isOpen() ? int(count) : -1;
        if (m_line.isOpen()) {
            const short events = short(POLLIN | (m_output.isEmpty() ? 0 : POLLOUT));
            descriptors[count++] = {m_line.masterDescriptor(), events, 0};
        }

        const int ready = poll(descriptors, count, pollTimeout(Clock::now()));
        if (ready < 0 && errno != EINTR) {
            problem(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (ready > 0 && descriptors[0].revents != 0)
            break;
        if (ready > 0 && inputIndex >= 0 && descriptors[inputIndex].revents != 0)
            handleInput(STDIN_FILENO);
        if (ready > 0 && lineIndex >= 0 && m_line.isOpen()) {
            const short revents = descriptors[lineIndex].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR))
                readLine();
            if (m_line.isOpen() && (revents & POLLOUT))
                writeLine();
        }

        const Clock::time_point now = Clock::now();
        checkPartialFrame(now);
        if (m_options.autoSeconds > 0 && now >= m_nextAutoRequest) {
            for (long terminal = 1; terminal <= m_options.terminals; ++terminal)
                request(terminal, defaultRequestText);
            m_nextAutoRequest = now + autoPeriod;
        }
    }

    m_line.hangUp();
    removeLink();
    return exitOk;
}

qint64 Simulator::elapsedMs(Clock::time_point time) const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time - m_started).count();
}

int Simulator::pollTimeout(Clock::time_point now) const
{
    using std::chrono::milliseconds;
    Clock::time_point wake = Clock::time_point::max();
    if (m_options.autoSeconds > 0)
        wake = m_nextAutoRequest;
    if (m_flooding)
        wake = std::min(wake, m_floodEnd);
    if (m_decoder.pendingBytes() > 0) {
        const milliseconds frameDue(m_decoder.pendingSinceMs() + partialFrameDeadlineMs(lineBaud));
        wake = std::min(wake, m_started + frameDue);
    }
    if (wake == Clock::time_point::max())
        return -1;
    if (wake <= now)
        return 0;
    // Rounded up, so that the wake-up never comes a little early and spins.
    return int(std::chrono::ceil<milliseconds>(wake - now).count());
}

void Simulator::handleInput(int descriptor)
{
    char buffer[readChunk];
    const ssize_t length = read(descriptor, buffer, sizeof buffer);
    if (length < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (length <= 0) {
        m_inputOpen = false;
        if (!m_input.empty())
            handleCommand(m_input);
        m_running = false;
        return;
    }
    m_input.append(buffer, std::size_t(length));
    std::size_t end;
    while (m_running && (end = m_input.find('\n')) != std::string::npos) {
        const std::string line = m_input.substr(0, end);
        m_input.erase(0, end + 1);
        handleCommand(line);
    }
    if (m_input.size() > maxCommandLength) {
        problem("a command longer than " + std::to_string(maxCommandLength)
            + " characters was ignored");
        m_input.clear();
    }
}

void Simulator::handleCommand(const std::string &rawLine)
{
    const std::string line = trimmed(rawLine);
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command.empty())
        return;

    if (command == "quit") {
        m_running = false;
    } else if (command == "request") {
        std::string terminalWord;
        words >> terminalWord;
        long terminal = 1;
        if (!terminalWord.empty()) {
            const auto number = parseNumber(terminalWord, 1, maxTerminalNumber);
            if (!number) {
                problem("request: terminal must be a number from 1 to 65535, not " + terminalWord);
                return;
            }
            terminal = *number;
        }
        std::string text;
        std::getline(words, text);
        text = trimmed(text);
        request(terminal,
            text.empty() ? QByteArray(defaultRequestText)
                         : QByteArray(text.data(), qsizetype(text.size())));
    } else if (command == "noise") {
        std::string countWord;
        words >> countWord;
        const auto count = parseNumber(countWord, 0, maxNoiseBytes);
        if (!count) {
            problem("noise: the count must be a number from 0 to " + std::to_string(maxNoiseBytes)
                + ", not " + countWord);
            return;
        }
        sendNoise(*count);
    } else if (command == "flood") {
        std::string secondsWord;
        words >> secondsWord;
        const auto seconds = parseNumber(secondsWord, 1, maxFloodSeconds);
        if (!seconds) {
            problem("flood: the period must be a number of seconds from 1 to "
                + std::to_string(maxFloodSeconds) + ", not " + secondsWord);
            return;
        }
        startFlood(*seconds);
    } else if (command == "hangup") {
        hangUp();
    } else {
        problem("unknown command: " + line);
    }
}

QByteArray Simulator::senderId(long terminal)
{
    char id[senderIdSize + 1];
    std::snprintf(id, sizeof id, "%s%0*ld", senderIdPrefix, senderIdDigits, terminal);
    return fixedSenderId(QByteArrayView(id));
}

long Simulator::terminalOf(const QByteArray &id) const
{
    const QByteArray prefix(senderIdPrefix);
    if (!id.startsWith(prefix))
        return 0;
    const std::string digits = id.mid(prefix.size()).trimmed().toStdString();
    const auto number = parseNumber(digits, 1, maxTerminalNumber);
    if (!number || senderId(*number) != id)
        return 0;
    return *number;
}

bool Simulator::isKnownTerminal(long terminal) const
{
    return (terminal >= 1 && terminal <= m_options.terminals)
        || m_requestedTerminals.count(terminal) > 0;
}

void Simulator::request(long terminal, const QByteArray &text)
{
    if (!m_line.isOpen()) {
        problem("request: the line is closed");
        return;
    }
    m_requestedTerminals.insert(terminal);
    // Queued before it is reported, so whoever reads the report finds the
    // bytes already on the line.
    if (m_options.mode == SimulatorMode::Base) {
        if (queueForLine(
                encode(TerminalMessage {quint16(terminal), text.left(maxTerminalTextSize)})))
            event("request " + std::to_string(terminal) + " sent: " + printable(text));
    } else {
        const QByteArray id = senderId(terminal);
        if (queueForLine(encode(SerialMessage {id, text.left(maxSerialTextSize)})))
            event("request " + std::to_string(terminal) + " sent as " + id.toStdString() + ": "
                + printable(text));
    }
}

void Simulator::sendNoise(long count)
{
    if (!m_line.isOpen()) {
        problem("noise: the line is closed");
        return;
    }
    QByteArray noise(count, Qt::Uninitialized);
    std::uniform_int_distribution<int> byte(0, 0xFF);
    for (char &b : noise)
        b = char(byte(m_random));
    if (queueForLine(noise))
        event("noise " + std::to_string(count) + " bytes sent");
}

void Simulator::startFlood(long seconds)
{
    if (!m_line.isOpen()) {
        problem("flood: the line is closed");
        return;
    }
    m_flooding = true;
    m_floodEnd = Clock::now() + std::chrono::seconds(seconds);
    m_floodBytes = 0;
}

void Simulator::continueFlood(Clock::time_point now)
{
    if (!m_line.isOpen() || now >= m_floodEnd) {
        m_flooding = false;
        event("flood " + std::to_string(m_floodBytes) + " bytes sent");
        return;
    }
    if (!m_output.isEmpty())
        return;
    // The largest valid frame, of a kind the library ignores (its own frames
    // echoed back), so that only the flood's size and speed count.
    static const QByteArray frame
        = encode(SerialSend {senderId(1), 0, QByteArray(maxSerialDataSize, 'F')});
    for (int count = 0; count < floodFramesPerTopUp; ++count)
        m_output.append(frame);
    m_floodBytes += floodFramesPerTopUp * frame.size();
}

void Simulator::hangUp()
{
    if (!m_line.isOpen()) {
        problem("hangup: the line is already closed");
        return;
    }
    m_line.hangUp();
    m_output.clear();
    m_decoder.clear();
    event("hangup");
}

bool Simulator::queueForLine(const QByteArray &bytes)
{
    if (std::size_t(m_output.size() + bytes.size()) > maxPendingOutput) {
        problem("the library is not reading; " + std::to_string(bytes.size()) + " bytes not sent");
        return false;
    }
    m_output.append(bytes);
    writeLine();
    return true;
}

void Simulator::writeLine()
{
    while (m_line.isOpen() && !m_output.isEmpty()) {
        const ssize_t written
            = write(m_line.masterDescriptor(), m_output.constData(), std::size_t(m_output.size()));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                problem(std::string("write: ") + std::strerror(errno));
            return;
        }
        m_output.remove(0, written);
    }
}

void Simulator::readLine()
{
    char buffer[readChunk];
    for (;;) {
        const ssize_t length = read(m_line.masterDescriptor(), buffer, sizeof buffer);
        if (length > 0) {
            m_decoder.feed(QByteArrayView(buffer, length), elapsedMs(Clock::now()));
            continue;
        }
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or an error on our own side: nothing more can come.
        problem(std::string("the line failed: ")
            + (length == 0 ? "end of file" : std::strerror(errno)));
        m_line.hangUp();
        m_output.clear();
        break;
    }
    reportDamage();
    for (const Frame &frame : m_decoder.takeFrames())
        handleFrame(frame);
}

void Simulator::checkPartialFrame(Clock::time_point now)
{
    if (m_decoder.pendingBytes() == 0)
        return;
    m_decoder.abandonFramesStartedBy(elapsedMs(now) - partialFrameDeadlineMs(lineBaud));
    reportDamage();
    for (const Frame &frame : m_decoder.takeFrames())
        handleFrame(frame);
}

void Simulator::reportDamage()
{
    const qint64 dropped = m_decoder.droppedFrames();
    if (dropped == m_reportedDamage)
        return;
    problem(std::to_string(dropped - m_reportedDamage) + " damaged frame(s) dropped ("
        + std::to_string(dropped) + " so far)");
    m_reportedDamage = dropped;
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
            event("init answered (" + std::to_string(m_options.terminals) + " terminals)");
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
                    + std::to_string(configuration->terminal) + " (serial mode)");
        } else {
            problem("malformed configuration frame");
        }
        break;
    case FrameType::SerialSend:
        if (const auto message = decode<SerialSend>(frame)) {
            const long terminal = terminalOf(message->destination);
            if (baseMode) {
                event("ignored serial message to \"" + printable(message->destination)
                    + "\" (base mode)");
            } else if (terminal == 0 || !isKnownTerminal(terminal)) {
                event("unknown destination \"" + printable(message->destination) + "\" "
                    + message->data.toHex().toStdString());
            } else {
                receiveConfiguration(terminal, message->data);
            }
        } else {
            problem("malformed serial message frame");
        }
        break;
    case FrameType::InitAnswer:
    case FrameType::TerminalMessage:
    case FrameType::SerialMessage:
        problem("unexpected frame type " + std::to_string(int(frame.type)) + " from the library");
        break;
    }
}

void Simulator::receiveConfiguration(long terminal, const QByteArray &list)
{
    if (!isKnownTerminal(terminal)) {
        event("unknown terminal " + std::to_string(terminal) + " " + list.toHex().toStdString());
        return;
    }
    std::string line = "config " + std::to_string(terminal) + " " + list.toHex().toStdString();
    if (!list.isEmpty())
        line += " " + decodedRecords(list);
    event(line);
}
