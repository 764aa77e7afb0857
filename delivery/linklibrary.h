#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The link library as the handlers see it: one member per library function,
// with the library's own names and argument order. Texts are Qt strings here;
// the production implementation converts them to and from the 8-bit code page
// around each call. Tests use a recording fake.
class LinkLibrary
{
public:
    // The ten 32-bit values radio_recv4 writes; the second is the terminal number.
    using RadioOuts = std::array<qint32, 10>;
    static constexpr int terminalNumberOut = 1;
    static constexpr int receiveArraySize = 101;

    virtual ~LinkLibrary() = default;

    virtual qint32 InitializeComm(qint32 port, qint32 baud) = 0;
    virtual qint32 radio_set_baudrate(qint32 baud) = 0;
    virtual qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags) = 0;
    virtual qint32 radio_close() = 0;
    virtual qint32 TerminateComm(qint32 port) = 0;

    // `sender` goes in as the caller's text and comes back as the library left it.
    virtual qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
        = 0;
    // Returns `text` as the library overwrote it.
    virtual QString GetStringFromPtr(const QString &text, qint32 message, qint32 length) = 0;
    virtual qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind)
        = 0;

    virtual qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
        = 0;
    virtual qint32 radio_message_conf_laser(qint32 terminal, const QString &list) = 0;

    virtual qint32 xml_reset() = 0;
    virtual qint32 xml_position_inside_tag(const QString &name) = 0;
    virtual qint32 xml_write_tag(const QString &name, const QString &value) = 0;
    virtual qint32 xml_remove_tag(const QString &name) = 0;
};
