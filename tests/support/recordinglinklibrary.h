#pragma once

#include "linklibrary.h"

#include <QList>
#include <QStringList>

// A LinkLibrary that writes every call, with its arguments, as one line of
// `log`, e.g. `radio_init(1, 1, 65535, 0)` or `xml_write_tag("PELSADOIG1", "RA\0\0\0")`
// (texts quoted, characters outside printable ASCII as \0 or \xNN), and
// returns scripted results.
class RecordingLinkLibrary final : public LinkLibrary
{
public:
    struct SerialMessage
    {
        qint32 length; // what Get_Message returns
        QString sender;
        QString text;
        qint32 handle = 7;
    };
    struct RadioMessage
    {
        qint32 result; // 0: a terminal's message arrived
        qint32 terminal;
    };

    QStringList log;
    qint32 initializeCommResult = 0;
    qint32 radioInitResult = 0;
    QList<SerialMessage> serialMessages; // taken one per Get_Message; none: 0
    QList<RadioMessage> radioMessages; // taken one per radio_recv4; none: non-zero

    // Writes a text the way `log` shows it.
    static QString quoted(const QString &text);

    qint32 InitializeComm(qint32 port, qint32 baud) override
    {
        return record("InitializeComm", port, baud), initializeCommResult;
    }
    qint32 radio_set_baudrate(qint32 baud) override { return record("radio_set_baudrate", baud); }
    qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags) override
    {
        return record("radio_init", port, channel, mask, flags), radioInitResult;
    }
    qint32 radio_close() override { return record("radio_close"); }
    qint32 TerminateComm(qint32 port) override { return record("TerminateComm", port); }
    qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender) override;
    QString GetStringFromPtr(const QString &text, qint32 message, qint32 length) override;
    qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind) override
    {
        return record("Send_Message", data, destination, length, kind);
    }
    qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2) override;
    qint32 radio_message_conf_laser(qint32 terminal, const QString &list) override
    {
        return record("radio_message_conf_laser", terminal, list);
    }
    qint32 xml_reset() override { return record("xml_reset"); }
    qint32 xml_position_inside_tag(const QString &name) override
    {
        return record("xml_position_inside_tag", name);
    }
    qint32 xml_write_tag(const QString &name, const QString &value) override
    {
        return record("xml_write_tag", name, value);
    }
    qint32 xml_remove_tag(const QString &name) override { return record("xml_remove_tag", name); }

private:
    // Logs `name(arg, arg, ...)`: numbers as they are, texts quoted; returns 0.
    template<typename... Args>
    qint32 record(const char *name, const Args &...args)
    {
        const QStringList shown {argument(args)...};
        return record(
            QStringLiteral("%1(%2)").arg(QLatin1String(name), shown.join(QStringLiteral(", "))));
    }
    qint32 record(const QString &call);
    static QString argument(qint32 number) { return QString::number(number); }
    static QString argument(const QString &text) { return quoted(text); }
    QString m_pendingText; // the text of the message Get_Message handed out last
};
