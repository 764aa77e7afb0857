#include "watchedlink.h"

bool WatchedLink::takeAnswered()
{
    const bool answered = m_answered;
    m_answered = false;
    return answered;
}

std::optional<LinkCall::Answer> WatchedLink::carry(LinkCall::Call call)
{
    m_answered = m_answered || call.function == LinkCall::Function::Send_Message
        || call.function == LinkCall::Function::radio_message_conf_laser;
    return m_transport.carry(std::move(call));
}
