#pragma once

#include "bridgeprotocol.h"
#include "linklibrary.h"

#include <QProcess>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <optional>
#include <string>

class OperatorMessages;

// The link library reached through the link bridge, a small program that
// loads the library in a process of its own (on Windows a 32-bit one, which a
// 64-bit tool cannot be) and makes each call for us over its standard input
// and output. The bridge starts at the first call and stops with this object.
//
// Each call waits for its answer at most answerBound. A bridge that cannot
// start, dies, overruns the bound or answers garbage is reported once and
// stopped; from then on every call behaves as failed, as do the calls when the
// library or a function is missing (reported once, as the in-process loader does).
class BridgedLinkLibrary final : public LinkLibrary
{
public:
    static constexpr const char *bridgeName = "wendalink-bridge";
    // The slowest call is radio_init: the library waits up to 300 ms for the
    // base station, and a write to the line may take up to 1 s more.
    static constexpr std::chrono::milliseconds defaultAnswerBound {2000};

    // `command`: the bridge program and its arguments; by default the bridge
    // beside the tool's own executable.
    explicit BridgedLinkLibrary(OperatorMessages &messages, QStringList command = {},
        std::chrono::milliseconds answerBound = defaultAnswerBound);
    ~BridgedLinkLibrary() override;

    qint32 InitializeComm(qint32 port, qint32 baud) override;
    qint32 radio_set_baudrate(qint32 baud) override;
    qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags) override;
    qint32 radio_close() override;
    qint32 TerminateComm(qint32 port) override;
    qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender) override;
    QString GetStringFromPtr(const QString &text, qint32 message, qint32 length) override;
    qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind) override;
    qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2) override;
    qint32 radio_message_conf_laser(qint32 terminal, const QString &list) override;
    qint32 xml_reset() override;
    qint32 xml_position_inside_tag(const QString &name) override;
    qint32 xml_write_tag(const QString &name, const QString &value) override;
    qint32 xml_remove_tag(const QString &name) override;

    // The bridge's process id while it runs, else 0.
    qint64 bridgeProcessId() const;

private:
    using Function = BridgeProtocol::Function;

    // The call's arguments as they came back, or nothing when the call failed.
    std::optional<BridgeProtocol::Answer> exchange(const BridgeProtocol::Call &call);
    // A call of numbers only: its result, or `failed`.
    qint32 numbers(Function function, std::initializer_list<qint32> arguments);
    // A call whose arguments are texts followed by numbers: its result, or `failed`.
    qint32 textsThenNumbers(Function function, std::initializer_list<QString> texts,
        std::initializer_list<qint32> numbers);
    bool start();
    bool awaitAnswer(std::string &body);
    void giveUp(const QString &what);
    void stop();

    OperatorMessages &m_messages;
    QStringList m_command;
    std::chrono::milliseconds m_answerBound;
    QProcess m_process;
    std::string m_received;
    bool m_started = false;
    bool m_broken = false; // the bridge failed, or the library could not be loaded
    QSet<int> m_missingFunctions;
};
