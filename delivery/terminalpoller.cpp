#include "terminalpoller.h"

#include "commandbuilder.h"
#include "fieldlog.h"
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
constexpr qint16 serialRecordsAtMost = 19;
constexpr qint16 baseStationRecordsAtMost = 6;

bool isConfigurationRequest(const QString &text)
{
    return text.size() >= requestPrefixLength
        && QStringView(text).left(requestPrefixLength)
        == QStringView(requestText).left(requestPrefixLength);
}

} // namespace

TerminalPoller::TerminalPoller(LinkLibrary &link, OptionPanel &panel, OperatorMessages &messages,
    std::function<bool()> baseStationMode, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_panel(panel)
    , m_messages(messages)
    , m_baseStationMode(std::move(baseStationMode))
    , m_timer1(new QTimer(this))
{
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(pollIntervalMs);
    // A coarse timer may fire up to 5 % late; on time, every request is
    // answered within one tick.
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &TerminalPoller::tick);
}

void TerminalPoller::start()
{
    m_polling = true;
    m_timer1->start();
}

void TerminalPoller::stop()
{
    m_polling = false;
    m_timer1->stop();
}

void TerminalPoller::tick()
{
    m_timer1->stop();
    const bool baseStationMode = m_baseStationMode();

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

    if (messageLength != 0 && isConfigurationRequest(messageText)) {
        const QString requester = baseStationMode
            ? QStringLiteral("terminal %1 over the base station").arg(terminalNumber)
            : QStringLiteral("sender \"%1\" over the serial link").arg(sender);
        answerRequest(baseStationMode, requester, sender, terminalNumber);
    }

    if (m_polling)
        m_timer1->start();
}

void TerminalPoller::answerRequest(
    bool baseStationMode, const QString &requester, const QString &sender, qint32 terminalNumber)
{
    const QString list = buildcmdlist(m_panel);
    // A count beyond 16 bits cannot come from the builder; were it to, the
    // list is too long for either mode and is refused.
    const qint16 recordCount = toInt16HalfEven(double(list.size()) / CommandList::recordLength)
                                   .value_or(std::numeric_limits<qint16>::max());
    const qint16 recordLimit = baseStationMode ? baseStationRecordsAtMost : serialRecordsAtMost;
    const QString request
        = QStringLiteral("request from %1: %2; ").arg(requester, readableRecords(list));

    if (recordCount == 0) {
        qCInfo(lcDelivery).noquote() << request + QStringLiteral("refused: nothing selected");
        m_messages.show(QString::fromLatin1(nothingSelectedText));
    } else if (recordCount > recordLimit) {
        qCInfo(lcDelivery).noquote() << request
                + QStringLiteral("refused: %1 records, at most %2 go in one answer")
                      .arg(recordCount)
                      .arg(recordLimit);
        m_messages.show(QString::fromLatin1(tooManyRecordsText));
    } else {
        const qint32 result = baseStationMode
            ? m_link.radio_message_conf_laser(terminalNumber, list)
            : m_link.Send_Message(list, sender, qint32(list.size()), sendMessageKind);
        qCInfo(lcDelivery).noquote() << request + QStringLiteral("sent, result %1").arg(result);
    }
}
