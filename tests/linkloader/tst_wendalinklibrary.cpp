#include "recordingmessages.h"
#include "wendalinklibrary.h"

#include <QTest>

class WendalinkLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheLibraryFromTheGivenFolderFirst()
    {
        RecordingMessages messages;
        WendalinkLibrary link(messages, QString::fromLatin1(WendalinkLibrary::defaultName),
            {QStringLiteral(STANDIN_DIR)});
        // Port 0 is refused by the stand-in: a real answer, not the loader's.
        QVERIFY(link.InitializeComm(0, 19200) != 0);
        QVERIFY(link.loadedFrom().startsWith(QStringLiteral(STANDIN_DIR)));
        QVERIFY(messages.shown.isEmpty());
    }

    void missingLibraryIsReportedOnceAndEveryCallFails()
    {
        RecordingMessages messages;
        WendalinkLibrary link(
            messages, QStringLiteral("no_such_link_library"), {QStringLiteral(PROBE_DIR)});

        QVERIFY(link.InitializeComm(1, 19200) != 0);
        QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
        LinkLibrary::RadioOuts outs {};
        std::array<qint32, LinkLibrary::receiveArraySize> array {};
        QString text(14, QLatin1Char(' '));
        for (int tick = 0; tick < 20; ++tick) {
            QVERIFY(link.radio_recv4(outs, array.data(), array.data(), text, text) != 0);
            qint32 message = 0;
            QString sender(8, QLatin1Char(' '));
            QCOMPARE(link.Get_Message(message, 100000, 0, sender), 0);
            QCOMPARE(sender, QString(8, QLatin1Char(' ')));
        }
        link.xml_reset();

        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.first().contains(QLatin1String("no_such_link_library")));
        QVERIFY(link.loadedFrom().isEmpty());
    }

    void missingFunctionIsReportedOnceAndTheOthersStillWork()
    {
        RecordingMessages messages;
        WendalinkLibrary link(messages, QStringLiteral("linkprobe"), {QStringLiteral(PROBE_DIR)});

        QCOMPARE(link.InitializeComm(1, 9600), 9601);
        QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
        QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
        QCOMPARE(link.TerminateComm(4), 4);

        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.first().contains(QLatin1String("radio_init")));
    }
};

QTEST_MAIN(WendalinkLibraryTest)
#include "tst_wendalinklibrary.moc"
