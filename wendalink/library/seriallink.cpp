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
    if (m_device.bytesAvailable() == 0)
        m_device.waitForReadyRead(0);
    const qint64 surplus = m_device.bytesAvailable() - maxBytesPerCall;
    if (surplus > 0) {
        // The bytes kept no longer follow what the decoder holds: start afresh.
        m_droppedBytes += m_device.skip(surplus);
        m_decoder.clear();
    }
    qint64 taken = 0;
    while (taken < maxBytesPerCall) {
        if (m_device.bytesAvailable() == 0 && !m_device.waitForReadyRead(0))
            break;
        const QByteArray bytes = m_device.read(maxBytesPerCall - taken);
        if (bytes.isEmpty())
            break;
        taken += bytes.size();
        m_decoder.feed(bytes, now());
    }
    m_decoder.abandonFramesStartedBy(now() - m_partialFrameDeadlineMs);
    return m_decoder.takeFrames();
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
