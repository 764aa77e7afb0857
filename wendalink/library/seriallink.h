#pragma once

#include "frames.h"

#include <QElapsedTimer>
#include <QList>

#include <functional>

class QIODevice;

// The frames coming off a serial line, over any QIODevice (a serial port in
// the library, a buffer in tests). It keeps little whatever the other end
// does: each call takes what is waiting (up to maxBytesTakenPerCall) but
// decodes only the newest maxBytesPerCall, dropping the oldest unread, so a
// flood leaves no backlog behind it; an incomplete frame is given up a fixed time after
// its first byte, sized from the line's speed, so a peer that drips bytes
// cannot hold back the frames behind it.
class SerialLink
{
public:
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    static constexpr qint64 maxBytesPerCall = 64 * 1024;
    // Far beyond any serial line's speed at one call per polling period; a
    // bound only for a peer faster than the reader.
    static constexpr qint64 maxBytesTakenPerCall = 16 * maxBytesPerCall;

    // Without a clock, the time since construction.
    explicit SerialLink(QIODevice &device, Clock clock = {});

    // Sizes the partial-frame deadline; an unsupported value counts as the slowest speed.
    void setBaudRate(qint32 baud);
    qint64 partialFrameDeadlineMs() const { return m_partialFrameDeadlineMs; }

    // Takes what is waiting on the device without waiting for more and
    // returns the whole frames found, oldest first.
    QList<WendalinkProtocol::Frame> receive();
    // Whether all of `bytes` was handed to the device within `timeoutMs`.
    bool write(const QByteArray &bytes, int timeoutMs);

    // Bytes dropped undecoded because more were waiting than one call decodes.
    qint64 droppedBytes() const { return m_droppedBytes; }
    const WendalinkProtocol::FrameDecoder &decoder() const { return m_decoder; }

private:
    qint64 now() const;
    void dropOldest(qint64 count);

    QIODevice &m_device;
    Clock m_clock;
    QElapsedTimer m_sinceStart;
    WendalinkProtocol::FrameDecoder m_decoder;
    qint64 m_partialFrameDeadlineMs = WendalinkProtocol::partialFrameDeadlineMs(0);
    qint64 m_droppedBytes = 0;
};
