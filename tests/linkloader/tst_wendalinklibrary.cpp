#include "recordingmessages.h"
#include "testregistry.h"
#include "wendalinklibrary.h"

#include <QLibrary>
#include <QTest>

namespace {

const QString probeName = QStringLiteral("linkprobe");

// What the probe library noted of the texts it was handed (hex bytes).
QString journal(const QString &folder)
{
    QLibrary probe(folder + QStringLiteral("/") + probeName);
    auto read = reinterpret_cast<const char *(*)()>(probe.resolve("probe_journal"));
    return read ? QString::fromLatin1(read()) : QStringLiteral("no journal");
}

} // namespace

class WendalinkLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void passesNumbersAndTextsAndTakesTextsBack()
    {
        RecordingMessages messages;
        WendalinkLibrary link(messages, probeName, {QStringLiteral(PROBE_COMPLETE_DIR)});

        QCOMPARE(link.InitializeComm(3, 19200), 19203);
        QCOMPARE(link.radio_init(2, 1, 0xFFFF, 0), 2165535);
        QVERIFY(link.loadedFrom().startsWith(QStringLiteral(PROBE_COMPLETE_DIR)));

        qint32 message = 0;
        QString sender(8, QLatin1Char(' '));
        QCOMPARE(link.Get_Message(message, 100000, 0, sender), 11);
        QCOMPARE(message, 100042);
        // The library writes within the text it was given, never beyond it.
        QCOMPARE(sender, QStringLiteral("ABCDEFGH"));

        QCOMPARE(link.GetStringFromPtr(QString(11, QLatin1Char(' ')), message, 11),
            QStringLiteral("LASER RESET"));
        QCOMPARE(link.GetStringFromPtr(QString(12, QLatin1Char(' ')), message, 12),
            QString::fromUtf8("LASER RESETé"));
        QCOMPARE(link.GetStringFromPtr(QString(5, QLatin1Char(' ')), message, 5),
            QStringLiteral("LASER"));

        const QString list = QString::fromUtf8("RA\0\0\0UE0é\0", 11);
        QCOMPARE(link.Send_Message(list, sender, 10, 3), 3);
        QCOMPARE(link.radio_message_conf_laser(3, list), 0);
        QCOMPARE(link.xml_position_inside_tag(QStringLiteral("TERMINAL")), 0);
        QCOMPARE(link.xml_write_tag(QStringLiteral("PELSADOIG1"), list.left(5)), 0);
        QCOMPARE(link.xml_remove_tag(QStringLiteral("PELSADOIG2")), 0);
        QCOMPARE(journal(QStringLiteral(PROBE_COMPLETE_DIR)),
            QStringLiteral("data=5241000000554530e900;to=4142434445464748;"
                           "conf3=5241000000554530e90000;" // with the NUL after the copy
                           "position=5445524d494e414c;"
                           "write=50454c5341444f494731;value=524100000000;"
                           "remove=50454c5341444f494732;"));

        LinkLibrary::RadioOuts outs {};
        std::array<qint32, LinkLibrary::receiveArraySize> first {};
        std::array<qint32, LinkLibrary::receiveArraySize> second {};
        QString text1(14, QLatin1Char(' '));
        QString text2(14, QLatin1Char(' '));
        QCOMPARE(link.radio_recv4(outs, first.data(), second.data(), text1, text2), 0);
        QCOMPARE(outs[LinkLibrary::terminalNumberOut], 3);
        QCOMPARE(outs[0], 1);
        QCOMPARE(outs[9], 10);
        QCOMPARE(first[100], 5);
        QCOMPARE(second[0], 6);
        QCOMPARE(text1, QStringLiteral("T1            "));

        QVERIFY(messages.shown.isEmpty());
    }

    void missingLibraryIsReportedOnceAndEveryCallFails()
    {
        RecordingMessages messages;
        WendalinkLibrary link(
            messages, QStringLiteral("no_such_link_library"), {QStringLiteral(PROBE_COMPLETE_DIR)});

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
        }
        link.xml_reset();
        link.radio_close();

        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.first().contains(QLatin1String("no_such_link_library")));
        QVERIFY(link.loadedFrom().isEmpty());
    }

    void missingFunctionIsReportedOnceAndFails()
    {
        RecordingMessages messages;
        WendalinkLibrary link(messages, probeName, {QStringLiteral(PROBE_PARTIAL_DIR)});

        QCOMPARE(link.InitializeComm(1, 9600), 9601);
        QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
        QVERIFY(link.radio_init(1, 1, 0xFFFF, 0) != 0);
        QCOMPARE(link.TerminateComm(4), 4);

        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.first().contains(QLatin1String("radio_init")));
    }
};

PELSADO_REGISTER_TEST(WendalinkLibraryTest);
#include "tst_wendalinklibrary.moc"
