#pragma once

#include "linktransport.h"

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <string>

class OperatorMessages;

// Carries each call to the link bridge, a small program that loads the
// library in a process of its own (on Windows a 32-bit one, which a 64-bit
// tool cannot be) and makes the call there, over its standard input and
// output. The bridge starts at the first call and stops with this object.
//
// A call made on each tick of the polling timer waits for its answer at most
// answerBound; the others wait as long as the library takes, as they would
// in-process (LinkCall::Pace). A bridge that cannot start, dies, overruns the
// bound or answers garbage is reported once and stopped; from then on every
// call fails, until the next InitializeComm starts a fresh bridge.
class BridgeTransport final : public LinkTransport
{
public:
    static constexpr const char *bridgeName = "wendalink-bridge";
    // The slowest call of a tick is Send_Message: a write to the line may take
    // up to 1 s.
    static constexpr std::chrono::milliseconds defaultAnswerBound {2000};

    // `command`: the bridge program and its arguments; by default the bridge
    // beside the tool's own executable.
    explicit BridgeTransport(OperatorMessages &messages, QStringList command = {},
        std::chrono::milliseconds answerBound = defaultAnswerBound);
    ~BridgeTransport() override;

    std::optional<LinkCall::Answer> carry(LinkCall::Call call) override;

    // The bridge's process id while it runs, else 0.
    qint64 bridgeProcessId() const;

private:
    bool start();
    bool awaitAnswer(std::string &body, LinkCall::Pace pace);
    void giveUp(const QString &what);
    void stop();

    OperatorMessages &m_messages;
    QStringList m_command;
    std::chrono::milliseconds m_answerBound;
    QProcess m_process;
    std::string m_received;
    bool m_started = false;
    bool m_broken = false;
};
