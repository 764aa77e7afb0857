#pragma once

#include "frames.h"
#include "messagequeue.h"

// Sorts the frames that come off the line: terminal messages and serial
// messages into their queues, the base station's answer into a flag.
class MessageRouter
{
public:
    void route(const WendalinkProtocol::Frame &frame);

    bool initAnswered() const { return m_initAnswered; }
    void expectInitAnswer() { m_initAnswered = false; }

    MessageQueue &radioMessages() { return m_radioMessages; }
    MessageQueue &serialMessages() { return m_serialMessages; }
    void clear();

private:
    bool m_initAnswered = false;
    MessageQueue m_radioMessages;
    MessageQueue m_serialMessages;
};
