#include "terminalpoller.h"

#include "commandbuilder.h"
#include "numericvalue.h"
#include "operatormessages.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr QChar blank(u' ');
constexpr int senderIdentifierLength = 8;
constexpr int radioTextLength = 14;

// What the tool asks Get_Message for; the constants mean something only to the
// library. The maximum also bounds the text fetched by GetStringFromPtr, so a
// negative or absurd length can neither crash nor allocate without limit.
constexpr qint32 maxMessageLength = 100000;
constexpr qint32 getMessageFlags = 0;
constexpr qint32 sendMessageKind = 3;

constexpr qint32 radioMessageArrived = 0;

// Only the first ten characters decide, case-sensitively, whatever follows.
constexpr int requestPrefixLength = 10;
const QString requestText = QStringLiteral("LASER RESET");

// The list is never split: a longer one is refused as a whole.
constexpr qint16 serialRecordsBelow = 20;
constexpr qint16 baseStationRecordsAtMost = 6;

// Turns the polling timer back on however the tick handler is left.
class TimerResumer
{
public:
    explicit TimerResumer(QTimer &timer)
        : m_timer(timer)
    { }
    ~TimerResumer() { m_timer.start(); }
    TimerResumer(const TimerResumer &) = delete;
    TimerResumer &operator=(const TimerResumer &) = delete;

private:
    QTimer &m_timer;
};

bool isConfigurationRequest(const QString &text)
{
    return text.size() >= requestPrefixLength
        && QStringView(text).left(requestPrefixLength)
        == QStringView(requestText).left(requestPrefixLength);
}

} // namespace

TerminalPoller::TerminalPoller(
    LinkLibrary &link, OptionPanel &panel, OperatorMessages &messages, QTimer &timer)
    : m_link(link)
    , m_panel(panel)
    , m_messages(messages)
    , m_timer(timer)
{ }

void TerminalPoller::tick(bool baseStationMode)
{
    m_timer.stop();
    const TimerResumer resumeTimer(m_timer);

    QString sender(senderIdentifierLength, blank);
    QString messageText;
    qint32 messageLength = 0;
    qint32 terminalNumber = 0;

    if (baseStationMode) {
        LinkLibrary::RadioOuts outs {};
        QString text1(radioTextLength, blank);
        QString text2(radioTextLength, blank);
        const qint32 result = m_link.radio_recv4(
            outs, m_receiveArray1.data(), m_receiveArray2.data(), text1, text2);
        // Whatever a terminal sent over the radio counts as a request.
        if (result == radioMessageArrived) {
            terminalNumber = outs[LinkLibrary::terminalNumberOut];
            messageText = requestText;
            messageLength = qint32(requestText.size());
        }
    } else {
        qint32 message = 0;
        messageLength = m_link.Get_Message(message, maxMessageLength, getMessageFlags, sender);
        if (messageLength != 0) {
            const qint32 fetchLength = std::clamp(messageLength, 0, maxMessageLength);
            messageText
                = m_link.GetStringFromPtr(QString(fetchLength, blank), message, fetchLength);
        }
    }

    if (messageLength == 0 || !isConfigurationRequest(messageText))
        return;

    const QString list = buildcmdlist(m_panel);
    // A count beyond 16 bits cannot come from the builder; were it to, the
    // list is too long for either mode and is refused.
    const qint16 recordCount = toInt16HalfEven(double(list.size()) / CommandList::recordLength)
                                   .value_or(std::numeric_limits<qint16>::max());

    if (recordCount == 0)
        m_messages.show(QString::fromLatin1(nothingSelectedText));
    else if (!baseStationMode && recordCount < serialRecordsBelow)
        m_link.Send_Message(list, sender, qint32(list.size()), sendMessageKind);
    else if (baseStationMode && recordCount <= baseStationRecordsAtMost)
        m_link.radio_message_conf_laser(terminalNumber, list);
    else
        m_messages.show(QString::fromLatin1(tooManyRecordsText));
}
