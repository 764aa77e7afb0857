#include "watchedlink.h"

bool WatchedLink::takeAnswered()
{
    const bool answered = m_answered;
    m_answered = false;
    return answered;
}

qint32 WatchedLink::InitializeComm(qint32 port, qint32 baud)
{
    return m_link.InitializeComm(port, baud);
}

qint32 WatchedLink::radio_set_baudrate(qint32 baud)
{
    return m_link.radio_set_baudrate(baud);
}

qint32 WatchedLink::radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    return m_link.radio_init(port, channel, mask, flags);
}

qint32 WatchedLink::radio_close()
{
    return m_link.radio_close();
}

qint32 WatchedLink::TerminateComm(qint32 port)
{
    return m_link.TerminateComm(port);
}

qint32 WatchedLink::Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
{
    return m_link.Get_Message(message, maxLength, flags, sender);
}

QString WatchedLink::GetStringFromPtr(const QString &text, qint32 message, qint32 length)
{
    return m_link.GetStringFromPtr(text, message, length);
}

qint32 WatchedLink::Send_Message(
    const QString &data, const QString &destination, qint32 length, qint32 kind)
{
    m_answered = true;
    return m_link.Send_Message(data, destination, length, kind);
}

qint32 WatchedLink::radio_recv4(
    RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
{
    return m_link.radio_recv4(outs, array1, array2, text1, text2);
}

qint32 WatchedLink::radio_message_conf_laser(qint32 terminal, const QString &list)
{
    m_answered = true;
    return m_link.radio_message_conf_laser(terminal, list);
}

qint32 WatchedLink::xml_reset()
{
    return m_link.xml_reset();
}

qint32 WatchedLink::xml_position_inside_tag(const QString &name)
{
    return m_link.xml_position_inside_tag(name);
}

qint32 WatchedLink::xml_write_tag(const QString &name, const QString &value)
{
    return m_link.xml_write_tag(name, value);
}

qint32 WatchedLink::xml_remove_tag(const QString &name)
{
    return m_link.xml_remove_tag(name);
}
