#pragma once

#include "frames.h"
#include "messagerouter.h"
#include "seriallink.h"
#include "wendalinkresult.h"

#include <QString>

#include <memory>
#include <optional>

class QSerialPort;

// The state behind the C functions: the serial port, the frames coming off it
// (SerialLink) and the messages waiting to be fetched (MessageRouter); the
// shared configuration store is StoreSession's.
//
// Nothing here needs an event loop: every call reads what is already on the
// line without waiting (radio_init alone waits, at most initAnswerTimeout),
// and writes wait only until the bytes are handed to the driver. The library is
// used from one thread, the one its QSerialPort belongs to: no lock.
class LinkSession
{
public:
    static constexpr int initAnswerTimeoutMs = 300;
    static constexpr int writeTimeoutMs = 1000;

    static LinkSession &instance();
    // WENDALINK_COM<port>, else the platform's name for serial port `port`.
    static QString deviceName(qint32 port);

    qint32 initializeComm(qint32 port, qint32 baud);
    qint32 setBaudRate(qint32 baud);
    qint32 radioInit(qint32 port, qint32 channel, qint32 mask, qint32 flags);
    qint32 radioClose();
    qint32 terminateComm(qint32 port);

    qint32 getMessage(qint32 *message, qint32 maxLength, char *sender);
    // The message behind `message`, at most `length` bytes, and the handle
    // released; nothing for an unknown or spent handle.
    std::optional<QByteArray> fetchMessage(qint32 message, qint32 length);
    qint32 sendMessage(const char *data, const char *destination, qint32 length, qint32 kind);

    qint32 radioRecv4(qint32 *status, qint32 *terminal, qint32 *textLength, char *text);
    qint32 radioMessageConfLaser(qint32 terminal, const char *list);

private:
    LinkSession();
    ~LinkSession();

    bool isOpen() const;
    bool lineLost() const;
    // Closes the port and forgets what was half received; the queues stay.
    void closeLine();
    void closeAndEmptyQueues();
    // Takes every byte already on the line and sorts the frames into the queues.
    void receive();
    qint32 send(const QByteArray &frame);

    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    qint32 m_portNumber = 0;
    MessageRouter m_router;
};
