#pragma once

#include "linktransport.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>
#include <set>

class OperatorMessages;

// The link library as the handlers see it: one member per library function,
// with the library's own names and argument order. Each builds the library
// call (texts in the 8-bit code page) and hands it to a transport: in-process
// or through the link bridge, and in tests a recording one. A library or
// function that is missing is told to the operator once per run (once per
// function) and its calls behave as failed, whatever the transport, so that
// the tool stays usable for its configuration files.
class LinkLibrary
{
public:
    // The ten 32-bit values radio_recv4 writes; the second is the terminal number.
    using RadioOuts = std::array<qint32, 10>;
    static constexpr int terminalNumberOut = 1;
    static constexpr int receiveArraySize = int(LinkCall::receiveArraySize);

    LinkLibrary(LinkTransport &transport, OperatorMessages &messages);
    LinkLibrary(std::unique_ptr<LinkTransport> transport, OperatorMessages &messages);
    LinkLibrary(const LinkLibrary &) = delete;
    LinkLibrary &operator=(const LinkLibrary &) = delete;
    ~LinkLibrary();

    qint32 InitializeComm(qint32 port, qint32 baud);
    qint32 radio_set_baudrate(qint32 baud);
    qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags);
    qint32 radio_close();
    qint32 TerminateComm(qint32 port);

    // `sender` goes in as the caller's text and comes back as the library left it.
    qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender);
    // The message text; `text` when the call failed.
    QString GetStringFromPtr(const QString &text, qint32 message, qint32 length);
    qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind);

    qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2);
    qint32 radio_message_conf_laser(qint32 terminal, const QString &list);

    qint32 xml_reset();
    qint32 xml_position_inside_tag(const QString &name);
    qint32 xml_write_tag(const QString &name, const QString &value);
    qint32 xml_remove_tag(const QString &name);

    LinkTransport &transport() const { return m_transport; }
    OperatorMessages &messages() const { return m_messages; }

private:
    // The call's answer, or nothing when it failed.
    std::optional<LinkCall::Answer> carry(LinkCall::Call call);
    // A call's Number result, or notAvailable.
    qint32 resultOf(LinkCall::Call call);

    std::unique_ptr<LinkTransport> m_ownedTransport;
    LinkTransport &m_transport;
    OperatorMessages &m_messages;
    bool m_libraryMissing = false;
    std::set<LinkCall::Function> m_missingFunctions;
};
