#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <array>
#include <optional>

// The line protocol between the link library and the base station or the
// terminals. Every frame is
//
//   start marker (0xA5) | type (1 byte) | payload length (2 bytes, big-endian)
//   | payload | CRC-16 (2 bytes, big-endian)
//
// with the CRC taken over type, length and payload. docs/protocol.md has the
// payload of each frame type and worked examples.
namespace WendalinkProtocol {

constexpr quint8 startMarker = 0xA5;
constexpr qsizetype headerSize = 4; // marker, type, two length bytes
constexpr qsizetype crcSize = 2;
constexpr qsizetype maxPayloadSize = 1024;
constexpr qsizetype maxFrameSize = headerSize + maxPayloadSize + crcSize;

// The line's speeds, slowest first.
constexpr std::array<qint32, 8> supportedBauds {
    1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
// A byte on the line: a start bit, eight data bits, a stop bit.
constexpr int bitsPerLineByte = 10;
// Room beyond a frame's own line time for the reader's delays (it takes the
// line's bytes once per call, not as they come).
constexpr qint64 partialFrameMarginMs = 250;

constexpr qsizetype senderIdSize = 8;
constexpr qsizetype terminalNumberSize = 2;
constexpr int maxTerminalNumber = 0xFFFF;
constexpr qsizetype commandRecordSize = 5;
constexpr int maxCommandRecords = 60;
constexpr qsizetype maxCommandListSize = commandRecordSize * maxCommandRecords;
// Longest text a terminal or the host can put in one message frame.
constexpr qsizetype maxTerminalTextSize = maxPayloadSize - terminalNumberSize;
constexpr qsizetype maxSerialTextSize = maxPayloadSize - senderIdSize;
constexpr qsizetype maxSerialDataSize = maxPayloadSize - senderIdSize - qsizetype(sizeof(qint32));

enum class FrameType : quint8 {
    InitRequest = 0x01, // host -> base station
    InitAnswer = 0x02, // base station -> host
    TerminalMessage = 0x03, // base station -> host, on behalf of a terminal
    TerminalConfiguration = 0x04, // host -> base station, for one terminal
    SerialMessage = 0x05, // terminal -> host on a plain serial message link
    SerialSend = 0x06, // host -> terminal on a plain serial message link
};

struct Frame
{
    FrameType type = FrameType::InitRequest;
    QByteArray payload;

    friend bool operator==(const Frame &a, const Frame &b)
    {
        return a.type == b.type && a.payload == b.payload;
    }
};

bool isSupportedBaud(qint32 baud);
// How long a frame may take from its first byte to its last: the largest frame
// at `baud` (at the slowest speed for an unsupported value), plus the margin.
qint64 partialFrameDeadlineMs(qint32 baud);

// Whether `type` names a frame type and `payloadSize` lies within its range.
bool isKnownFrameType(quint8 type);
bool payloadSizeFits(FrameType type, qsizetype payloadSize);

// The bytes of one frame; empty when the payload does not fit the type.
QByteArray encodeFrame(FrameType type, QByteArrayView payload);
quint16 frameCrc(QByteArrayView typeLengthAndPayload);

// Feed bytes as they come off the line, take whole frames out. A damaged
// frame (unknown type, a length outside its type's range, a wrong CRC) costs
// only its start marker: decoding resumes at the next marker after it, so a
// good frame hidden inside a damaged one is still found. What is held back is
// at most one incomplete frame.
class FrameDecoder
{
public:
    // `arrivedAtMs` (any monotonic clock) dates the bytes, so that an
    // incomplete frame can be given up a fixed time after its first byte,
    // however slowly the rest trickles in.
    void feed(QByteArrayView bytes, qint64 arrivedAtMs = 0);
    QList<Frame> takeFrames();

    // Start markers rejected so far, and bytes skipped outside any frame.
    qint64 droppedFrames() const { return m_droppedFrames; }
    qint64 skippedBytes() const { return m_skippedBytes; }

    // Bytes held back as the beginning of a frame not yet complete.
    qsizetype pendingBytes() const { return m_buffer.size(); }
    // When the first byte of that frame arrived; meaningful only while bytes are pending.
    qint64 pendingSinceMs() const;
    // Gives up every incomplete frame whose first byte arrived at or before
    // `cutoffMs`: each one's marker counts as dropped and the bytes after it
    // are searched again (a frame found there keeps its own arrival time).
    void abandonFramesStartedBy(qint64 cutoffMs);
    void clear();

private:
    struct Arrival
    {
        qint64 endOffset; // stream offset just past the bytes of one feed
        qint64 atMs;
    };

    void decode();

    QByteArray m_buffer;
    qint64 m_bufferOffset = 0; // stream offset of m_buffer's first byte
    QList<Arrival> m_arrivals; // the feeds whose bytes are still held, oldest first
    QList<Frame> m_frames;
    qint64 m_droppedFrames = 0;
    qint64 m_skippedBytes = 0;
};

// Typed payloads. Numbers are big-endian; texts are raw bytes.

struct InitRequest
{
    static constexpr FrameType type = FrameType::InitRequest;
    qint32 channel = 0;
    qint32 mask = 0;
    qint32 flags = 0;

    QByteArray payload() const;
    static std::optional<InitRequest> parse(QByteArrayView payload);
    friend bool operator==(const InitRequest &a, const InitRequest &b)
    {
        return a.channel == b.channel && a.mask == b.mask && a.flags == b.flags;
    }
};

struct InitAnswer
{
    static constexpr FrameType type = FrameType::InitAnswer;
    quint16 terminalCount = 0;

    QByteArray payload() const;
    static std::optional<InitAnswer> parse(QByteArrayView payload);
    friend bool operator==(const InitAnswer &a, const InitAnswer &b)
    {
        return a.terminalCount == b.terminalCount;
    }
};

struct TerminalMessage
{
    static constexpr FrameType type = FrameType::TerminalMessage;
    quint16 terminal = 0;
    QByteArray text;

    QByteArray payload() const;
    static std::optional<TerminalMessage> parse(QByteArrayView payload);
    friend bool operator==(const TerminalMessage &a, const TerminalMessage &b)
    {
        return a.terminal == b.terminal && a.text == b.text;
    }
};

struct TerminalConfiguration
{
    static constexpr FrameType type = FrameType::TerminalConfiguration;
    quint16 terminal = 0;
    QByteArray list; // whole 5-byte command records

    QByteArray payload() const;
    static std::optional<TerminalConfiguration> parse(QByteArrayView payload);
    friend bool operator==(const TerminalConfiguration &a, const TerminalConfiguration &b)
    {
        return a.terminal == b.terminal && a.list == b.list;
    }
};

struct SerialMessage
{
    static constexpr FrameType type = FrameType::SerialMessage;
    QByteArray sender; // exactly senderIdSize bytes on the line
    QByteArray text;

    QByteArray payload() const;
    static std::optional<SerialMessage> parse(QByteArrayView payload);
    friend bool operator==(const SerialMessage &a, const SerialMessage &b)
    {
        return a.sender == b.sender && a.text == b.text;
    }
};

struct SerialSend
{
    static constexpr FrameType type = FrameType::SerialSend;
    QByteArray destination; // exactly senderIdSize bytes on the line
    qint32 kind = 0;
    QByteArray data;

    QByteArray payload() const;
    static std::optional<SerialSend> parse(QByteArrayView payload);
    friend bool operator==(const SerialSend &a, const SerialSend &b)
    {
        return a.destination == b.destination && a.kind == b.kind && a.data == b.data;
    }
};

// A sender identifier as it goes on the line: cut or padded with blanks to
// senderIdSize bytes.
QByteArray fixedSenderId(QByteArrayView id);

template<typename Message>
QByteArray encode(const Message &message)
{
    return encodeFrame(Message::type, message.payload());
}

template<typename Message>
std::optional<Message> decode(const Frame &frame)
{
    if (frame.type != Message::type)
        return std::nullopt;
    return Message::parse(frame.payload);
}

} // namespace WendalinkProtocol
