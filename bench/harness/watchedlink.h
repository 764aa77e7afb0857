#pragma once

#include "linktransport.h"

// Passes every call on to the production transport and notes whether a
// configuration went out, so that the ticks that answered a terminal can be
// timed apart from the idle ones. It adds one virtual call per library call.
class WatchedLink final : public LinkTransport
{
public:
    explicit WatchedLink(LinkTransport &transport)
        : m_transport(transport)
    { }

    // Whether a configuration was sent since the last time this was asked.
    bool takeAnswered();

    std::optional<LinkCall::Answer> carry(LinkCall::Call call) override;

private:
    LinkTransport &m_transport;
    bool m_answered = false;
};
