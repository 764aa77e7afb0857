#include "recordingmessages.h"
#include "wendalinklibrary.h"

#include <QTest>

class WendalinkLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    // Told once, naming what is missing; from then on the calls fail.
    void missingLibraryOrFunctionIsReportedOnce_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<int>("initializeResult"); // the probe gives port + baud
        QTest::addColumn<QString>("named"); // in the first report
        QTest::addColumn<int>("reports");
        QTest::newRow("no library") << "no_such_link_library" << -1 << "no_such_link_library" << 1;
        QTest::newRow("three functions missing") << "linkprobe" << 9601 << "radio_init" << 3;
    }
    void missingLibraryOrFunctionIsReportedOnce()
    {
        QFETCH(QString, library);
        QFETCH(int, initializeResult);
        QFETCH(QString, named);
        QFETCH(int, reports);
        RecordingMessages messages;
        WendalinkLibrary link(messages, library, {QStringLiteral(PROBE_DIR)});
        LinkLibrary::RadioOuts outs {};
        QString text(14, QLatin1Char(' '));
        qint32 message = 0;
        for (int call = 0; call < 2; ++call) {
            QCOMPARE(link.InitializeComm(1, 9600), initializeResult);
            QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
            QVERIFY(link.radio_recv4(outs, &outs[0], &outs[1], text, text) != 0);
        }
        QCOMPARE(link.Get_Message(message, 100000, 0, text), 0);
        QCOMPARE(text, QString(14, QLatin1Char(' ')));
        QCOMPARE(messages.shown.size(), reports);
        QVERIFY(messages.shown.first().contains(named));
    }
};

QTEST_MAIN(WendalinkLibraryTest)
#include "tst_wendalinklibrary.moc"
