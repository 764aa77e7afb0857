#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>
#include <optional>

// Messages received from terminals, kept until the caller fetches them. The
// caller first learns of a message (announce) and gets a 32-bit handle for it,
// then fetches its text with that handle, which releases it.
//
// Each terminal has at most one message waiting to be announced: a newer one
// replaces it in its place in line, so that a terminal asking again and again
// is answered once, with what it said last, and every other terminal waits at
// most one turn per terminal ahead of it. The queue holds at most `capacity`
// messages, announced or not; when a new one arrives at a full queue, the
// oldest is dropped.
class MessageQueue
{
public:
    static constexpr qsizetype capacity = 64;

    struct Message
    {
        qint32 handle = 0; // 0 until announced
        // Who sent it: a terminal number on the radio link, a sender
        // identifier on the serial message link.
        quint16 terminal = 0;
        QByteArray sender;
        QByteArray text;
    };

    void push(quint16 terminal, QByteArray sender, QByteArray text);
    // The oldest message not announced yet, now with a handle.
    std::optional<Message> announceNext();
    // Takes out the message with that handle; nothing for an unknown handle.
    std::optional<Message> fetch(qint32 handle);
    // Takes out the oldest message, announced or not.
    std::optional<Message> takeNext();

    qsizetype size() const { return qsizetype(m_messages.size()); }
    void clear() { m_messages.clear(); }

private:
    qint32 nextHandle();

    std::deque<Message> m_messages;
    qint32 m_lastHandle = 0;
};
