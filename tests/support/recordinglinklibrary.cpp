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

qint32 RecordingLinkLibrary::record(const QString &call)
{
    log << call;
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
