#include "seriallink.h"

#include <QDeadlineTimer>
#include <QIODevice>

using namespace WendalinkProtocol;

SerialLink::SerialLink(QIODevice &device, Clock clock)
    : m_device(device)
    , m_clock(std::move(clock))
{
    m_sinceStart.start();
}

qint64 SerialLink::now() const
{
    return m_clock ? m_clock() : m_sinceStart.elapsed();
}

void SerialLink::setBaudRate(qint32 baud)
{
    m_partialFrameDeadlineMs = WendalinkProtocol::partialFrameDeadlineMs(baud);
}

QList<Frame> SerialLink::receive()
{
    if (!m_device.isOpen())
        return {};
    QByteArray newest;
    qint64 taken = 0;
    while (taken < maxBytesTakenPerCall) {
        if (m_device.bytesAvailable() == 0 && !m_device.waitForReadyRead(0))
            break;
        const qint64 surplus = m_device.bytesAvailable() - maxBytesPerCall;
        if (surplus > 0) {
            const qint64 skipped = m_device.skip(surplus);
            taken += skipped;
            dropOldest(skipped);
        }
        const QByteArray bytes = m_device.read(maxBytesPerCall);
        if (bytes.isEmpty())
            break;
        taken += bytes.size();
        newest += bytes;
        if (newest.size() > maxBytesPerCall) {
            dropOldest(newest.size() - maxBytesPerCall);
            newest.remove(0, newest.size() - maxBytesPerCall);
        }
    }
    m_decoder.feed(newest, now());
    m_decoder.abandonFramesStartedBy(now() - m_partialFrameDeadlineMs);
    return m_decoder.takeFrames();
}

void SerialLink::dropOldest(qint64 count)
{
    if (count <= 0)
        return;
    m_droppedBytes += count;
    // What follows no longer continues what the decoder holds.
    m_decoder.clear();
}

bool SerialLink::write(const QByteArray &bytes, int timeoutMs)
{
    if (m_device.write(bytes) != bytes.size())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (m_device.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_device.waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    return m_device.bytesToWrite() == 0;
}
