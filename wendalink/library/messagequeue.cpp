#include "messagequeue.h"

#include <algorithm>
#include <limits>

void MessageQueue::push(quint16 terminal, QByteArray sender, QByteArray text)
{
    // An announced message stays: the caller holds its handle and fetches it next.
    const auto waiting = std::find_if(
        m_messages.begin(), m_messages.end(), [&](const Message &message) {
            return message.handle == 0 && message.terminal == terminal && message.sender == sender;
        });
    if (waiting != m_messages.end()) {
        waiting->text = std::move(text);
        return;
    }
    if (size() >= capacity)
        m_messages.pop_front();
    m_messages.push_back(Message {0, terminal, std::move(sender), std::move(text)});
}

std::optional<MessageQueue::Message> MessageQueue::announceNext()
{
    const auto waiting = std::find_if(m_messages.begin(), m_messages.end(),
        [](const Message &message) { return message.handle == 0; });
    if (waiting == m_messages.end())
        return std::nullopt;
    waiting->handle = nextHandle();
    return *waiting;
}

std::optional<MessageQueue::Message> MessageQueue::fetch(qint32 handle)
{
    if (handle == 0)
        return std::nullopt;
    const auto found = std::find_if(m_messages.begin(), m_messages.end(),
        [handle](const Message &message) { return message.handle == handle; });
    if (found == m_messages.end())
        return std::nullopt;
    Message message = std::move(*found);
    m_messages.erase(found);
    return message;
}

std::optional<MessageQueue::Message> MessageQueue::takeNext()
{
    if (m_messages.empty())
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

qint32 MessageQueue::nextHandle()
{
    // Positive handles only, and never one still waiting in the queue, even
    // after the counter wraps.
    const auto inUse = [this](qint32 handle) {
        return std::any_of(m_messages.begin(), m_messages.end(),
            [handle](const Message &message) { return message.handle == handle; });
    };
    do {
        m_lastHandle = m_lastHandle == std::numeric_limits<qint32>::max() ? 1 : m_lastHandle + 1;
    } while (inUse(m_lastHandle));
    return m_lastHandle;
}
