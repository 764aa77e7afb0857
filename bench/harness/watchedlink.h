#pragma once

#include "linklibrary.h"

// Passes every call on to the real link library and notes whether a
// configuration went out, so that the ticks that answered a terminal can be
// timed apart from the idle ones. It adds one virtual call per library call.
class WatchedLink final : public LinkLibrary
{
public:
    explicit WatchedLink(LinkLibrary &link)
        : m_link(link)
    { }

    // Whether a configuration was sent since the last time this was asked.
    bool takeAnswered();

    qint32 InitializeComm(qint32 port, qint32 baud) override;
    qint32 radio_set_baudrate(qint32 baud) override;
    qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags) override;
    qint32 radio_close() override;
    qint32 TerminateComm(qint32 port) override;
    qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender) override;
    QString GetStringFromPtr(const QString &text, qint32 message, qint32 length) override;
    qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind) override;
    qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2) override;
    qint32 radio_message_conf_laser(qint32 terminal, const QString &list) override;
    qint32 xml_reset() override;
    qint32 xml_position_inside_tag(const QString &name) override;
    qint32 xml_write_tag(const QString &name, const QString &value) override;
    qint32 xml_remove_tag(const QString &name) override;

private:
    LinkLibrary &m_link;
    bool m_answered = false;
};
