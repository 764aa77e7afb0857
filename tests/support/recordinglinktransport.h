#pragma once

#include "linklibrary.h"
#include "recordingmessages.h"

#include <QList>
#include <QStringList>

// A transport that writes every call as one line of `log`, by the call
// table's names and kinds, e.g. `radio_init(1, 1, 65535, 0)` or
// `xml_write_tag("PELSADOIG1", "RA\0\0\0")` (numbers and outs as they went in,
// texts quoted with bytes outside printable ASCII as \0 or \xNN, arrays as
// their size), and answers with scripted results.
class RecordingTransport : public LinkTransport
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
    // How many xml_write_tag calls succeed before the store refuses every later
    // one, as a full store does; negative: all succeed.
    int storeWritesAccepted = -1;

    // Writes a text the way `log` shows it.
    static QString quoted(const QString &text);

    std::optional<LinkCall::Answer> carry(LinkCall::Call call) override;

private:
    QString m_pendingText; // the text of the message Get_Message handed out last
    int m_storeWrites = 0;
};

// The link library over its own recording transport, for the handlers under test.
class RecordingLinkLibrary final : public RecordingTransport, public LinkLibrary
{
public:
    RecordingLinkLibrary()
        : LinkLibrary(static_cast<RecordingTransport &>(*this), m_messages)
    { }

    // Starts the log and the script afresh.
    void restart() { static_cast<RecordingTransport &>(*this) = RecordingTransport(); }

private:
    RecordingMessages m_messages; // a recording transport reports nothing missing
};
