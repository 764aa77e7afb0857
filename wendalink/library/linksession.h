#pragma once

#include "frames.h"
#include "messagequeue.h"
#include "wendalinkresult.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

class QSerialPort;

// The state behind the C functions: the serial line, the frames coming off it,
// and the messages waiting to be fetched (the shared configuration store is
// StoreSession's).
//
// Nothing here needs an event loop: every call reads what is already on the
// line without waiting (radio_init alone waits, at most initAnswerTimeout),
// and writes wait only until the bytes are handed to the driver.
class LinkSession
{
public:
    static constexpr int initAnswerTimeoutMs = 300;
    static constexpr int writeTimeoutMs = 1000;
    // A frame left incomplete this long, with no new byte, is given up.
    static constexpr int partialFrameTimeoutMs = 250;
    // Upper bound of bytes taken off the line in one call, so a flood of noise
    // cannot hold the caller.
    static constexpr qint64 maxBytesPerCall = 64 * 1024;

    static LinkSession &instance();
    static bool isSupportedBaud(qint32 baud);
    // WENDALINK_COM<port>, else the platform's name for serial port `port`.
    static QString deviceName(qint32 port);

    qint32 initializeComm(qint32 port, qint32 baud);
    qint32 setBaudRate(qint32 baud);
    qint32 radioInit(qint32 port, qint32 channel, qint32 mask, qint32 flags);
    qint32 radioClose();
    qint32 terminateComm(qint32 port);

    qint32 getMessage(qint32 *message, qint32 maxLength, char *sender);
    qint32 getStringFromPtr(char *text, qint32 message, qint32 length);
    qint32 sendMessage(const char *data, const char *destination, qint32 length, qint32 kind);

    qint32 radioRecv4(qint32 *status, qint32 *terminal, qint32 *textLength, char *text);
    qint32 radioMessageConfLaser(qint32 terminal, const char *list);

private:
    LinkSession();
    ~LinkSession();

    bool isOpen() const;
    void closeLine();
    // Takes every byte already on the line and sorts the frames into the queues.
    void receive();
    void route(const WendalinkProtocol::Frame &frame);
    bool lineLost() const;
    qint32 send(const QByteArray &frame);

    std::recursive_mutex m_mutex;
    std::unique_ptr<QSerialPort> m_port;
    qint32 m_portNumber = 0;
    WendalinkProtocol::FrameDecoder m_decoder;
    QElapsedTimer m_sinceLastBytes;
    bool m_initAnswered = false;
    MessageQueue m_radioMessages;
    MessageQueue m_serialMessages;
};
