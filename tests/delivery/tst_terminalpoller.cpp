#include "deliverytesthelpers.h"
#include "memoryoptionpanel.h"
#include "recordinglinklibrary.h"
#include "recordingmessages.h"
#include "terminalpoller.h"
#include "testregistry.h"

#include <QTest>
#include <QTimer>

#include <limits>

namespace {

using Quote = RecordingLinkLibrary;

constexpr int pollingInterval = 100;
constexpr int intervalsWhileBoxOpen = 4;
constexpr int resumeTimeout = 5000;
constexpr qint32 maxFetchedLength = 100000;
constexpr qint32 terminalNumber = 42;
constexpr qint32 messageHandle = 7;
const QString senderIdentifier = QStringLiteral("T0000042");
const QString request = QStringLiteral("LASER RESET");
const QString nothingSelected = QString::fromLatin1(TerminalPoller::nothingSelectedText);
const QString tooManyRecords = QString::fromLatin1(TerminalPoller::tooManyRecordsText);

QString getMessageCall()
{
    return QStringLiteral("Get_Message(0, 100000, 0, \"        \")");
}

QString fetchCall(int length)
{
    return QStringLiteral("GetStringFromPtr(%1, %2, %3)")
        .arg(Quote::quoted(QString(length, u' ')))
        .arg(messageHandle)
        .arg(length);
}

QString sendCall(const QString &list)
{
    return QStringLiteral("Send_Message(%1, %2, %3, 3)")
        .arg(Quote::quoted(list), Quote::quoted(senderIdentifier))
        .arg(list.size());
}

QString receiveCall()
{
    return QStringLiteral("radio_recv4(0, arrays, \"              \", \"              \")");
}

QString confLaserCall(const QString &list)
{
    return QStringLiteral("radio_message_conf_laser(%1, %2)")
        .arg(terminalNumber)
        .arg(Quote::quoted(list));
}

// An empty text queues nothing: the tick receives no message.
void queueMessage(RecordingLinkLibrary &link, bool baseStationMode, const QString &text)
{
    if (text.isEmpty())
        return;
    if (baseStationMode)
        link.radioMessages << RecordingLinkLibrary::RadioMessage {0, terminalNumber};
    else
        link.serialMessages << RecordingLinkLibrary::SerialMessage {
            qint32(text.size()), senderIdentifier, text, messageHandle};
}

// The poller with its fakes and a polling timer at the window's interval.
struct PollerRig
{
    PollerRig() { timer.setInterval(pollingInterval); }

    RecordingLinkLibrary link;
    MemoryOptionPanel panel;
    RecordingMessages messages;
    QTimer timer;
    TerminalPoller poller {link, panel, messages, timer};
};

} // namespace

class TerminalPollerTest : public QObject
{
    Q_OBJECT

private slots:
    void serialMessageIsAnsweredOnlyWhenARequest_data()
    {
        QTest::addColumn<int>("checkedCount");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::addColumn<QStringList>("expectedShown");

        const qint32 huge = std::numeric_limits<qint32>::max();
        QTest::newRow("nothing received: no fetch")
            << 1 << "" << 0 << QStringList {getMessageCall()} << QStringList {};
        QTest::newRow("request with nothing checked: message, no send")
            << 0 << request << 11 << QStringList {getMessageCall(), fetchCall(11)}
            << QStringList {nothingSelected};
        QTest::newRow("characters after the first ten are not examined")
            << 1 << "LASER RESEX and more" << 20
            << QStringList {getMessageCall(), fetchCall(20), sendCall(tableOrderList(1))}
            << QStringList {};
        QTest::newRow("exactly ten characters is a request")
            << 1 << "LASER RESE" << 10
            << QStringList {getMessageCall(), fetchCall(10), sendCall(tableOrderList(1))}
            << QStringList {};
        QTest::newRow("lower case is ignored")
            << 1 << "laser reset" << 11 << QStringList {getMessageCall(), fetchCall(11)}
            << QStringList {};
        QTest::newRow("tenth character compared case-sensitively")
            << 1 << "LASER RESet" << 11 << QStringList {getMessageCall(), fetchCall(11)}
            << QStringList {};
        QTest::newRow("nine characters never match")
            << 1 << "LASER RES" << 9 << QStringList {getMessageCall(), fetchCall(9)}
            << QStringList {};
        QTest::newRow("19 records sent whole, length 95")
            << 19 << request << 11
            << QStringList {getMessageCall(), fetchCall(11), sendCall(tableOrderList(19))}
            << QStringList {};
        QTest::newRow("20 records refused, nothing sent")
            << 20 << request << 11 << QStringList {getMessageCall(), fetchCall(11)}
            << QStringList {tooManyRecords};
        QTest::newRow("negative length fetches an empty text and is no request")
            << 1 << request << -5 << QStringList {getMessageCall(), fetchCall(0)} << QStringList {};
        QTest::newRow("huge length fetches at most 100000 characters")
            << 1 << request << huge
            << QStringList {getMessageCall(), fetchCall(maxFetchedLength),
                   sendCall(tableOrderList(1))}
            << QStringList {};
    }
    void serialMessageIsAnsweredOnlyWhenARequest()
    {
        QFETCH(int, checkedCount);
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QStringList, expectedLog);
        QFETCH(QStringList, expectedShown);

        PollerRig rig;
        checkOptionsInTableOrder(rig.panel, checkedCount);
        if (length != 0)
            rig.link.serialMessages << RecordingLinkLibrary::SerialMessage {
                length, senderIdentifier, text, messageHandle};

        rig.poller.tick(false);

        QCOMPARE(rig.link.log, expectedLog);
        QCOMPARE(rig.messages.shown, expectedShown);
    }

    void baseStationMessageIsAnsweredWhateverItHolds_data()
    {
        QTest::addColumn<int>("checkedCount");
        QTest::addColumn<int>("receiveResult");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::addColumn<QStringList>("expectedShown");

        QTest::newRow("6 records sent to the reported terminal")
            << 6 << 0 << QStringList {receiveCall(), confLaserCall(tableOrderList(6))}
            << QStringList {};
        QTest::newRow("7 records refused, nothing sent")
            << 7 << 0 << QStringList {receiveCall()} << QStringList {tooManyRecords};
        QTest::newRow("nothing checked: message, no send")
            << 0 << 0 << QStringList {receiveCall()} << QStringList {nothingSelected};
        QTest::newRow("non-zero result is no message even with a terminal number")
            << 1 << 5 << QStringList {receiveCall()} << QStringList {};
        QTest::newRow("negative result is no message")
            << 1 << -1 << QStringList {receiveCall()} << QStringList {};
    }
    void baseStationMessageIsAnsweredWhateverItHolds()
    {
        QFETCH(int, checkedCount);
        QFETCH(int, receiveResult);
        QFETCH(QStringList, expectedLog);
        QFETCH(QStringList, expectedShown);

        PollerRig rig;
        checkOptionsInTableOrder(rig.panel, checkedCount);
        rig.link.radioMessages << RecordingLinkLibrary::RadioMessage {
            receiveResult, terminalNumber};

        rig.poller.tick(true);

        QCOMPARE(rig.link.log, expectedLog);
        QCOMPARE(rig.messages.shown, expectedShown);
    }

    // The library fills the sender identifier, the message pointer and the
    // ten outs; a second tick must not hand those back in.
    void secondTickStartsFromBlankSenderAndZeroedOuts_data()
    {
        QTest::addColumn<bool>("baseStationMode");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::newRow("serial") << false
                                << QStringList {getMessageCall(), fetchCall(5), getMessageCall()};
        QTest::newRow("base station") << true << QStringList {receiveCall(), receiveCall()};
    }
    void secondTickStartsFromBlankSenderAndZeroedOuts()
    {
        QFETCH(bool, baseStationMode);
        QFETCH(QStringList, expectedLog);

        PollerRig rig;
        rig.link.serialMessages << RecordingLinkLibrary::SerialMessage {
            5, senderIdentifier, "hello", messageHandle};
        rig.link.radioMessages << RecordingLinkLibrary::RadioMessage {1, terminalNumber};

        rig.poller.tick(baseStationMode);
        rig.poller.tick(baseStationMode);

        QCOMPARE(rig.link.log, expectedLog);
    }

    // The ways out through a message box are covered with a real timer below.
    void timerIsOffDuringTheTickAndOnAgainOnEveryWayOut_data()
    {
        QTest::addColumn<bool>("baseStationMode");
        QTest::addColumn<QString>("text");

        QTest::newRow("serial, nothing received") << false << "";
        QTest::newRow("serial, not a request") << false << "hello there";
        QTest::newRow("serial, sent") << false << request;
        QTest::newRow("base, nothing received") << true << "";
        QTest::newRow("base, sent") << true << request;
    }
    void timerIsOffDuringTheTickAndOnAgainOnEveryWayOut()
    {
        QFETCH(bool, baseStationMode);
        QFETCH(QString, text);

        PollerRig rig;
        checkOptionsInTableOrder(rig.panel, 1);
        queueMessage(rig.link, baseStationMode, text);
        QList<bool> activeDuringCalls;
        rig.link.onCall = [&](const QString &) {
            activeDuringCalls << rig.timer.isActive();
        };

        rig.timer.start();
        rig.poller.tick(baseStationMode);

        QVERIFY(!activeDuringCalls.isEmpty());
        QVERIFY(!activeDuringCalls.contains(true));
        QVERIFY(rig.timer.isActive());
    }

    // A real timer: were it left running while the box is open, the event
    // loop the box spins would deliver further ticks and receive calls.
    void noPollingWhileAMessageBoxIsOpen_data()
    {
        QTest::addColumn<bool>("baseStationMode");
        QTest::addColumn<int>("checkedCount");

        QTest::newRow("serial, nothing selected") << false << 0;
        QTest::newRow("serial, too many") << false << 20;
        QTest::newRow("base, nothing selected") << true << 0;
        QTest::newRow("base, too many") << true << 7;
    }
    void noPollingWhileAMessageBoxIsOpen()
    {
        QFETCH(bool, baseStationMode);
        QFETCH(int, checkedCount);

        PollerRig rig;
        connect(&rig.timer, &QTimer::timeout, this, [&] { rig.poller.tick(baseStationMode); });
        checkOptionsInTableOrder(rig.panel, checkedCount);
        queueMessage(rig.link, baseStationMode, request);
        bool activeWhileOpen = true;
        qsizetype callsWhileOpen = -1;
        rig.messages.onShow = [&](const QString &) {
            activeWhileOpen = rig.timer.isActive();
            const qsizetype before = rig.link.log.size();
            QTest::qWait(pollingInterval * intervalsWhileBoxOpen);
            callsWhileOpen = rig.link.log.size() - before;
        };

        rig.timer.start();
        rig.poller.tick(baseStationMode);

        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(!activeWhileOpen);
        QCOMPARE(callsWhileOpen, 0);
        QVERIFY(rig.timer.isActive());
        const qsizetype afterBox = rig.link.log.size();
        QTRY_VERIFY_WITH_TIMEOUT(rig.link.log.size() > afterBox, resumeTimeout);
        QCOMPARE(rig.link.log.at(afterBox), baseStationMode ? receiveCall() : getMessageCall());
    }
};

PELSADO_REGISTER_TEST(TerminalPollerTest);
#include "tst_terminalpoller.moc"
