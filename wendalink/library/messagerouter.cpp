#include "messagerouter.h"

using namespace WendalinkProtocol;

void MessageRouter::route(const Frame &frame)
{
    switch (frame.type) {
    case FrameType::InitAnswer:
        m_initAnswered = decode<InitAnswer>(frame).has_value();
        break;
    case FrameType::TerminalMessage:
        if (auto message = decode<TerminalMessage>(frame))
            m_radioMessages.push(message->terminal, {}, std::move(message->text));
        break;
    case FrameType::SerialMessage:
        // The same rule as on the radio link, by sender identifier: the
        // library reads no texts, so a sender's newest message speaks for it,
        // and one sender flooding the link must not hold the others back.
        if (auto message = decode<SerialMessage>(frame))
            m_serialMessages.push(0, std::move(message->sender), std::move(message->text));
        break;
    case FrameType::InitRequest:
    case FrameType::TerminalConfiguration:
    case FrameType::SerialSend:
        // The host's own kinds of frame: an echo or crossed wires, never for us.
        break;
    }
}

void MessageRouter::clear()
{
    m_initAnswered = false;
    m_radioMessages.clear();
    m_serialMessages.clear();
}
