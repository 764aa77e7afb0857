#include "recordinglinklibrary.h"

QString RecordingLinkLibrary::quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0)
            out += QStringLiteral("\\0");
        else if (u < 0x20 || u > 0x7e || u == u'"' || u == u'\\')
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

void RecordingLinkLibrary::record(const QString &call)
{
    log << call;
    if (onCall)
        onCall(call);
}

qint32 RecordingLinkLibrary::InitializeComm(qint32 port, qint32 baud)
{
    record("InitializeComm", port, baud);
    return initializeCommResult;
}

qint32 RecordingLinkLibrary::radio_set_baudrate(qint32 baud)
{
    record("radio_set_baudrate", baud);
    return 0;
}

qint32 RecordingLinkLibrary::radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    record("radio_init", port, channel, mask, flags);
    return radioInitResult;
}

qint32 RecordingLinkLibrary::radio_close()
{
    record("radio_close");
    return 0;
}

qint32 RecordingLinkLibrary::TerminateComm(qint32 port)
{
    record("TerminateComm", port);
    return 0;
}

qint32 RecordingLinkLibrary::Get_Message(
    qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
{
    record("Get_Message", message, maxLength, flags, sender);
    if (serialMessages.isEmpty())
        return 0;
    const SerialMessage next = serialMessages.takeFirst();
    message = next.handle;
    sender = next.sender;
    m_pendingText = next.text;
    return next.length;
}

QString RecordingLinkLibrary::GetStringFromPtr(const QString &text, qint32 message, qint32 length)
{
    record("GetStringFromPtr", text, message, length);
    // Like the library: overwrite the caller's text within its length.
    QString result = text;
    result.replace(0, qMin(text.size(), m_pendingText.size()), m_pendingText.left(text.size()));
    return result;
}

qint32 RecordingLinkLibrary::Send_Message(
    const QString &data, const QString &destination, qint32 length, qint32 kind)
{
    record("Send_Message", data, destination, length, kind);
    return 0;
}

qint32 RecordingLinkLibrary::radio_recv4(
    RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
{
    // The arrays are checked, not shown: two distinct arrays must be handed over.
    const bool arraysGiven = array1 && array2 && array1 != array2;
    record(QStringLiteral("radio_recv4(%1, %2, %3, %4)")
               .arg(outs[terminalNumberOut])
               .arg(arraysGiven ? QStringLiteral("arrays") : QStringLiteral("bad arrays"))
               .arg(quoted(text1), quoted(text2)));
    if (radioMessages.isEmpty())
        return 1;
    const RadioMessage next = radioMessages.takeFirst();
    outs[terminalNumberOut] = next.terminal;
    return next.result;
}

qint32 RecordingLinkLibrary::radio_message_conf_laser(qint32 terminal, const QString &list)
{
    record("radio_message_conf_laser", terminal, list);
    return 0;
}

qint32 RecordingLinkLibrary::xml_reset()
{
    record("xml_reset");
    return 0;
}

qint32 RecordingLinkLibrary::xml_position_inside_tag(const QString &name)
{
    record("xml_position_inside_tag", name);
    return 0;
}

qint32 RecordingLinkLibrary::xml_write_tag(const QString &name, const QString &value)
{
    record("xml_write_tag", name, value);
    return 0;
}

qint32 RecordingLinkLibrary::xml_remove_tag(const QString &name)
{
    record("xml_remove_tag", name);
    return 0;
}
