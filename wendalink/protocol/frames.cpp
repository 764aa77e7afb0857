#include "frames.h"

#include <QtEndian>

#include <algorithm>

namespace WendalinkProtocol {

namespace {

constexpr qsizetype numberSize = qsizetype(sizeof(qint32));
constexpr qsizetype initRequestSize = 3 * numberSize;
constexpr qsizetype initAnswerSize = qsizetype(sizeof(quint16));
constexpr qsizetype serialSendHeaderSize = senderIdSize + numberSize;
constexpr char senderIdPadding = ' ';

struct SizeRange
{
    qsizetype min;
    qsizetype max;
};

SizeRange payloadRange(FrameType type)
{
    switch (type) {
    case FrameType::InitRequest:
        return {initRequestSize, initRequestSize};
    case FrameType::InitAnswer:
        return {initAnswerSize, initAnswerSize};
    case FrameType::TerminalMessage:
        return {terminalNumberSize, maxPayloadSize};
    case FrameType::TerminalConfiguration:
        return {terminalNumberSize, terminalNumberSize + maxCommandListSize};
    case FrameType::SerialMessage:
        return {senderIdSize, maxPayloadSize};
    case FrameType::SerialSend:
        return {serialSendHeaderSize, maxPayloadSize};
    }
    return {0, -1};
}

template<typename Number>
void appendBigEndian(QByteArray &bytes, Number value)
{
    char raw[sizeof(Number)];
    qToBigEndian(value, raw);
    bytes.append(raw, sizeof(Number));
}

template<typename Number>
Number readBigEndian(QByteArrayView bytes, qsizetype offset)
{
    return qFromBigEndian<Number>(bytes.data() + offset);
}

} // namespace

bool isKnownFrameType(quint8 type)
{
    switch (FrameType(type)) {
    case FrameType::InitRequest:
    case FrameType::InitAnswer:
    case FrameType::TerminalMessage:
    case FrameType::TerminalConfiguration:
    case FrameType::SerialMessage:
    case FrameType::SerialSend:
        return true;
    }
    return false;
}

bool payloadSizeFits(FrameType type, qsizetype payloadSize)
{
    const SizeRange range = payloadRange(type);
    return payloadSize >= range.min && payloadSize <= range.max;
}

quint16 frameCrc(QByteArrayView typeLengthAndPayload)
{
    return qChecksum(typeLengthAndPayload, Qt::ChecksumIso3309);
}

QByteArray encodeFrame(FrameType type, QByteArrayView payload)
{
    if (!payloadSizeFits(type, payload.size()))
        return {};
    QByteArray frame;
    frame.reserve(headerSize + payload.size() + crcSize);
    frame.append(char(startMarker));
    frame.append(char(type));
    appendBigEndian(frame, quint16(payload.size()));
    frame.append(payload.data(), payload.size());
    appendBigEndian(frame, frameCrc(QByteArrayView(frame).sliced(1)));
    return frame;
}

bool isSupportedBaud(qint32 baud)
{
    return std::find(supportedBauds.begin(), supportedBauds.end(), baud) != supportedBauds.end();
}

qint64 partialFrameDeadlineMs(qint32 baud)
{
    constexpr qint64 msPerSecond = 1000;
    const qint64 rate = isSupportedBaud(baud) ? baud : supportedBauds.front();
    // Rounded up: a deadline a little early would cut a frame still arriving.
    const qint64 lineBits = maxFrameSize * bitsPerLineByte * msPerSecond;
    return (lineBits + rate - 1) / rate + partialFrameMarginMs;
}

void FrameDecoder::feed(QByteArrayView bytes, qint64 arrivedAtMs)
{
    if (bytes.isEmpty())
        return;
    m_buffer.append(bytes.data(), bytes.size());
    m_arrivals.append({m_bufferOffset + m_buffer.size(), arrivedAtMs});
    decode();
}

QList<Frame> FrameDecoder::takeFrames()
{
    QList<Frame> frames;
    frames.swap(m_frames);
    return frames;
}

qint64 FrameDecoder::pendingSinceMs() const
{
    return m_arrivals.isEmpty() ? 0 : m_arrivals.first().atMs;
}

void FrameDecoder::abandonFramesStartedBy(qint64 cutoffMs)
{
    while (!m_buffer.isEmpty() && pendingSinceMs() <= cutoffMs) {
        ++m_droppedFrames;
        m_buffer.remove(0, 1);
        ++m_bufferOffset;
        decode();
    }
}

void FrameDecoder::clear()
{
    m_bufferOffset += m_buffer.size();
    m_buffer.clear();
    m_arrivals.clear();
    m_frames.clear();
}

void FrameDecoder::decode()
{
    // Walk with an offset and cut the consumed prefix once at the end, so that
    // a long run of garbage costs linear time.
    const QByteArrayView buffer(m_buffer);
    qsizetype position = 0;
    while (position < buffer.size()) {
        const qsizetype marker = buffer.indexOf(char(startMarker), position);
        if (marker < 0) {
            m_skippedBytes += buffer.size() - position;
            position = buffer.size();
            break;
        }
        m_skippedBytes += marker - position;
        position = marker;

        const qsizetype available = buffer.size() - position;
        if (available < headerSize)
            break;
        const quint8 type = quint8(buffer[position + 1]);
        const qsizetype length = readBigEndian<quint16>(buffer, position + 2);
        if (!isKnownFrameType(type) || !payloadSizeFits(FrameType(type), length)) {
            ++m_droppedFrames;
            ++position;
            continue;
        }
        const qsizetype frameSize = headerSize + length + crcSize;
        if (available < frameSize)
            break;
        const QByteArrayView checked = buffer.sliced(position + 1, headerSize - 1 + length);
        const quint16 crc = readBigEndian<quint16>(buffer, position + headerSize + length);
        if (crc != frameCrc(checked)) {
            ++m_droppedFrames;
            ++position;
            continue;
        }
        m_frames.append(
            Frame {FrameType(type), buffer.sliced(position + headerSize, length).toByteArray()});
        position += frameSize;
    }
    m_buffer.remove(0, position);
    m_bufferOffset += position;
    // Removing from the front of a QList moves its start, not its elements.
    while (!m_arrivals.isEmpty() && m_arrivals.first().endOffset <= m_bufferOffset)
        m_arrivals.removeFirst();
}

QByteArray fixedSenderId(QByteArrayView id)
{
    QByteArray fixed = id.first(std::min(id.size(), senderIdSize)).toByteArray();
    fixed.append(senderIdSize - fixed.size(), senderIdPadding);
    return fixed;
}

QByteArray InitRequest::payload() const
{
    QByteArray bytes;
    appendBigEndian(bytes, channel);
    appendBigEndian(bytes, mask);
    appendBigEndian(bytes, flags);
    return bytes;
}

std::optional<InitRequest> InitRequest::parse(QByteArrayView payload)
{
    if (payload.size() != initRequestSize)
        return std::nullopt;
    return InitRequest {readBigEndian<qint32>(payload, 0),
        readBigEndian<qint32>(payload, numberSize), readBigEndian<qint32>(payload, 2 * numberSize)};
}

QByteArray InitAnswer::payload() const
{
    QByteArray bytes;
    appendBigEndian(bytes, terminalCount);
    return bytes;
}

std::optional<InitAnswer> InitAnswer::parse(QByteArrayView payload)
{
    if (payload.size() != initAnswerSize)
        return std::nullopt;
    return InitAnswer {readBigEndian<quint16>(payload, 0)};
}

QByteArray TerminalMessage::payload() const
{
    QByteArray bytes;
    appendBigEndian(bytes, terminal);
    bytes.append(text);
    return bytes;
}

std::optional<TerminalMessage> TerminalMessage::parse(QByteArrayView payload)
{
    if (!payloadSizeFits(type, payload.size()))
        return std::nullopt;
    return TerminalMessage {
        readBigEndian<quint16>(payload, 0), payload.sliced(terminalNumberSize).toByteArray()};
}

QByteArray TerminalConfiguration::payload() const
{
    QByteArray bytes;
    appendBigEndian(bytes, terminal);
    bytes.append(list);
    return bytes;
}

std::optional<TerminalConfiguration> TerminalConfiguration::parse(QByteArrayView payload)
{
    if (!payloadSizeFits(type, payload.size()))
        return std::nullopt;
    const QByteArrayView list = payload.sliced(terminalNumberSize);
    if (list.size() % commandRecordSize != 0)
        return std::nullopt;
    return TerminalConfiguration {readBigEndian<quint16>(payload, 0), list.toByteArray()};
}

QByteArray SerialMessage::payload() const
{
    return fixedSenderId(sender) + text;
}

std::optional<SerialMessage> SerialMessage::parse(QByteArrayView payload)
{
    if (!payloadSizeFits(type, payload.size()))
        return std::nullopt;
    return SerialMessage {
        payload.first(senderIdSize).toByteArray(), payload.sliced(senderIdSize).toByteArray()};
}

QByteArray SerialSend::payload() const
{
    QByteArray bytes = fixedSenderId(destination);
    appendBigEndian(bytes, kind);
    bytes.append(data);
    return bytes;
}

std::optional<SerialSend> SerialSend::parse(QByteArrayView payload)
{
    if (!payloadSizeFits(type, payload.size()))
        return std::nullopt;
    return SerialSend {payload.first(senderIdSize).toByteArray(),
        readBigEndian<qint32>(payload, senderIdSize),
        payload.sliced(serialSendHeaderSize).toByteArray()};
}

} // namespace WendalinkProtocol
