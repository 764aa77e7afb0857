#include "deliverytesthelpers.h"
#include "fieldlog.h"
#include "goldentexts.h"
#include "recordinglinktransport.h"
#include "recordingmessages.h"
#include "terminalpoller.h"

#include <QTest>
#include <QTimer>

#include <climits>

namespace {

constexpr qint32 maxFetchedLength = 100000;
constexpr qint32 terminalNumber = 42;
constexpr qint32 messageHandle = 7;
const QString senderIdentifier = QStringLiteral("T0000042");
const QString request = QStringLiteral("LASER RESET");

} // namespace

class TerminalPollerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("pelsado.*.info=true")); }

    void requestIsAnsweredWithTheWholeListOrAMessage_data()
    {
        QTest::addColumn<bool>("baseStationMode");
        QTest::addColumn<int>("checkedCount");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("fetchedLength");
        QTest::addColumn<QString>("logged"); // how the request ended; empty: no request

        const int size = int(request.size());
        QTest::newRow("serial, nothing checked: message, no send")
            << false << 0 << request << size << size << "refused: nothing selected";
        QTest::newRow("serial, characters after the first ten are not examined")
            << false << 1 << "LASER RESEX and more" << 20 << 20 << "sent, result 0";
        QTest::newRow("serial, tenth character compared case-sensitively")
            << false << 1 << "LASER RESet" << size << size << "";
        QTest::newRow("serial, nine characters never match")
            << false << 1 << "LASER RES" << 9 << 9 << "";
        QTest::newRow("serial, 19 records sent whole, length 95")
            << false << 19 << request << size << size << "sent, result 0";
        QTest::newRow("serial, 20 records refused, nothing sent")
            << false << 20 << request << size << size
            << "refused: 20 records, at most 19 go in one answer";
        QTest::newRow("serial, negative length fetches an empty text, no request")
            << false << 1 << request << -5 << 0 << "";
        QTest::newRow("serial, huge length fetches at most 100000 characters")
            << false << 1 << request << INT_MAX << maxFetchedLength << "sent, result 0";
        QTest::newRow("base, 6 records sent to the reported terminal")
            << true << 6 << "" << 0 << 0 << "sent, result 0";
        QTest::newRow("base, 7 records refused, nothing sent")
            << true << 7 << "" << 0 << 0 << "refused: 7 records, at most 6 go in one answer";
    }
    // Timer1 is off while a message box is open: the event loop the box spins
    // would otherwise deliver further ticks.
    void requestIsAnsweredWithTheWholeListOrAMessage()
    {
        QFETCH(bool, baseStationMode);
        QFETCH(int, checkedCount);
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(int, fetchedLength);
        QFETCH(QString, logged);
        const bool sent = logged.startsWith(QLatin1String("sent"));
        const char *refusal
            = logged.contains(QLatin1String("nothing")) ? "nothingSelected" : "tooManyRecords";
        const QStringList shown = logged.startsWith(QLatin1String("refused"))
            ? QStringList {GoldenTexts::text(QString::fromLatin1(refusal))}
            : QStringList();
        RecordingLinkLibrary link;
        MemoryOptionPanel panel;
        RecordingMessages messages;
        TerminalPoller poller(link, panel, messages, [=] { return baseStationMode; });
        QTimer &timer = *poller.findChild<QTimer *>(QStringLiteral("Timer1"));
        checkOptionsInTableOrder(panel, checkedCount);
        // Each mode's receive call takes only its own queue.
        link.serialMessages << RecordingLinkLibrary::SerialMessage {
            length, senderIdentifier, text, messageHandle};
        link.radioMessages << RecordingLinkLibrary::RadioMessage {0, terminalNumber};
        bool timerOnWhileBoxOpen = false;
        messages.onShow = [&](const QString &) {
            timerOnWhileBoxOpen = timer.isActive();
        };

        const QStringList records = tableOrderRecords(checkedCount);
        const QString list = records.join(QString());
        if (!logged.isEmpty()) {
            QTest::ignoreMessage(QtInfoMsg,
                qPrintable(QStringLiteral("request from %1: %2; %3")
                               .arg(baseStationMode
                                       ? QStringLiteral("terminal 42 over the base station")
                                       : QStringLiteral("sender \"T0000042\" over the serial link"),
                                   asLogged(records), logged)));
        }

        poller.start();
        // One tick through Timer1's own signal; no event loop runs, so no second one.
        QVERIFY(QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection));

        QStringList expected {
            QStringLiteral("radio_recv4(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, [101], [101], "
                           "\"              \", \"              \")")};
        if (!baseStationMode)
            expected = QStringList {QStringLiteral("Get_Message(0, 100000, 0, \"        \")"),
                QStringLiteral("GetStringFromPtr(%1, %2, %3)")
                    .arg(RecordingLinkLibrary::quoted(QString(fetchedLength, u' ')))
                    .arg(messageHandle)
                    .arg(fetchedLength)};
        if (sent && baseStationMode)
            expected << QStringLiteral("radio_message_conf_laser(%1, %2)")
                            .arg(terminalNumber)
                            .arg(RecordingLinkLibrary::quoted(list));
        else if (sent)
            expected << QStringLiteral("Send_Message(%1, %2, %3, 3)")
                            .arg(RecordingLinkLibrary::quoted(list),
                                RecordingLinkLibrary::quoted(senderIdentifier))
                            .arg(list.size());
        QCOMPARE(link.log, expected);
        QCOMPARE(messages.shown, shown);
        QVERIFY(!timerOnWhileBoxOpen);
        QVERIFY(timer.isActive());
    }
};

QTEST_MAIN(TerminalPollerTest)
#include "tst_terminalpoller.moc"
