#include "bridgedlinklibrary.h"
#include "recordingmessages.h"
#include "wendalinklibrary.h"

#include <QProcess>
#include <QTest>

#include <numeric>

#include <signal.h>

using namespace BridgeProtocol;

namespace {

const QString nativeDir = QStringLiteral(NATIVE_DIR);
const QString missingLibrary = QStringLiteral("no_such_library");
constexpr std::chrono::milliseconds shortBound {300};
constexpr std::chrono::milliseconds wineBound {60000}; // a fresh Wine prefix starts in seconds
constexpr qint32 failed = -1;

// The command that runs the bridge of `arch` with `library` ("native": this
// build's; "i686", "x86_64": cross-built, under Wine), or why it cannot run here.
std::pair<QStringList, QString> bridgeFor(const QString &arch, const QString &library)
{
    if (arch == QLatin1String("native"))
        return {{QStringLiteral(BRIDGE),
                    library == missingLibrary ? library : nativeDir + "/lib" + library + ".so"},
            {}};
    const bool is32 = arch == QLatin1String("i686");
    const QString dir = QStringLiteral("%1").arg(is32 ? WINE_i686_DIR : WINE_x86_64_DIR);
    const QString wine = QStringLiteral("%1").arg(is32 ? WINE_i686 : WINE_x86_64);
    if (dir.isEmpty() || wine.isEmpty())
        return {{}, QStringLiteral("no MinGW-w64 %1 compiler or no Wine for it").arg(arch)};
    qputenv("WINEPREFIX", QByteArray(WINE_PREFIXES "-") + arch.toLatin1());
    QProcess probe; // ends at once on an empty input, having readied the prefix
    probe.start(wine, {dir + QStringLiteral("/wendalink-bridge.exe")});
    probe.closeWriteChannel();
    if (!probe.waitForFinished(int(wineBound.count())) || probe.exitCode() != 0)
        return {
            {}, "Wine cannot run the " + arch + " bridge here: " + probe.readAllStandardError()};
    // Beside itself, the bridge finds wendalink.dll when given no name.
    QStringList command {wine, dir + QStringLiteral("/wendalink-bridge.exe")};
    return {library == QLatin1String("wendalink") ? command : command << library, {}};
}

// Every function once, with distinct numbers, outs, arrays and texts; all that came back.
QStringList callEveryFunction(LinkLibrary &link)
{
    QStringList trace;
    const auto add = [&trace](auto... values) {
        ((trace << QVariant(values).toString()), ...);
    };
    add(link.InitializeComm(3, 19200), link.radio_set_baudrate(9600), link.radio_close());
    add(link.radio_init(3, 1, 0xFFFF, 0), link.TerminateComm(7), link.xml_reset());
    qint32 message = 41;
    QString sender = QStringLiteral("Sender08");
    add(link.Get_Message(message, 100000, 0, sender)); // before the values it changed
    add(message, sender, link.GetStringFromPtr(QStringLiteral("LASER RESET \u00fc"), 42, 13));
    add(link.Send_Message(QStringLiteral("AB\nDE\r2345"), sender, 10, 3));
    LinkLibrary::RadioOuts outs;
    std::array<qint32, LinkLibrary::receiveArraySize> array1, array2;
    std::iota(outs.begin(), outs.end(), -5);
    std::iota(array1.begin(), array1.end(), 1000);
    std::iota(array2.begin(), array2.end(), -1000);
    QString text1 = QStringLiteral("first text"), text2 = QStringLiteral("second \u00e9");
    add(link.radio_recv4(outs, array1.data(), array2.data(), text1, text2));
    add(text1, text2, array1.front(), array1.back(), array2.front(), array2.back());
    for (const qint32 value : outs)
        add(value);
    add(link.radio_message_conf_laser(2, QStringLiteral("ABCDEFGHIJ")));
    add(link.xml_position_inside_tag(QStringLiteral("TERMINAL")));
    add(link.xml_write_tag(QStringLiteral("PELSADOIG1"), QStringLiteral("RA")));
    add(link.xml_remove_tag(QStringLiteral("PELSADOIG2")));
    return trace;
}

} // namespace

class BridgedLinkLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        // Wine's server outlives its programs for a while; end it for each prefix used.
        for (const char *arch : {"i686", "x86_64"}) {
            qputenv("WINEPREFIX", QByteArray(WINE_PREFIXES "-") + arch);
            if (*WINESERVER && QFile::exists(qEnvironmentVariable("WINEPREFIX")))
                QProcess::execute(QStringLiteral(WINESERVER), {QStringLiteral("-k")});
        }
    }

    void callsThroughTheBridge_data()
    {
        QTest::addColumn<QString>("arch");
        QTest::addColumn<QString>("library");
        for (const char *arch : {"native", "i686", "x86_64"}) {
            for (const QString &library :
                {QStringLiteral("wendalink"), QStringLiteral("wendalinkpartial"), missingLibrary})
                QTest::addRow("%s, %s", arch, qPrintable(library)) << arch << library;
        }
    }
    // The recording library, in-process and through the bridge, gives back the same.
    // Without radio_init, or without the library, the operator is told once.
    void callsThroughTheBridge()
    {
        QFETCH(QString, arch);
        QFETCH(QString, library);
        const auto [command, whyNot] = bridgeFor(arch, library);
        if (command.isEmpty())
            QSKIP(qPrintable(whyNot));
        RecordingMessages messages, inProcessMessages;
        WendalinkLibrary inProcess(inProcessMessages, QStringLiteral("wendalink"), {nativeDir});
        const QStringList expected = callEveryFunction(inProcess);
        QVERIFY(expected.contains(QStringLiteral("80redneS"))); // the library did write back
        auto bridged = std::make_unique<BridgedLinkLibrary>(messages, command, wineBound);
        const QStringList trace = callEveryFunction(*bridged);

        if (library == QLatin1String("wendalink")) {
            QCOMPARE(trace, expected);
            QCOMPARE(messages.shown, QStringList());
        } else {
            const QString named = library == missingLibrary ? library : "radio_init";
            QCOMPARE(messages.shown.size(), 1);
            QVERIFY2(messages.shown.first().contains(named), qPrintable(messages.shown.first()));
            QCOMPARE(bridged->radio_init(1, 1, 0xFFFF, 0), failed);
            QCOMPARE(bridged->InitializeComm(3, 19200) == inProcess.InitializeComm(3, 19200),
                library != missingLibrary);
            QCOMPARE(messages.shown.size(), 1);
        }
        const qint64 pid = bridged->bridgeProcessId();
        bridged.reset();
        QVERIFY(pid == 0 || kill(pid_t(pid), 0) == -1); // the bridge ends with the tool's side
    }

    void bridgeFailureIsReportedOnceThenCallsFail_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("reported");
        const auto sh = [](const char *script) {
            return QStringList {QStringLiteral("sh"), QStringLiteral("-c"), QLatin1String(script)};
        };
        QTest::newRow("bridge missing") << QStringList {QStringLiteral("/no/such/bridge")}
                                        << QStringLiteral("could not be started");
        QTest::newRow("dies during a call") << sh("head -c 1 >/dev/null; exit 3") << "exit code 3";
        QTest::newRow("hangs") << sh("cat >/dev/null") << QStringLiteral("within 300 ms");
        QTest::newRow("answer too long") << sh("printf garbage!; cat >/dev/null") << "longer than";
        QTest::newRow("unknown status")
            << sh("printf '\\001\\0\\0\\0\\011'; cat >/dev/null") << "unknown answer status 9";
        QTest::newRow("two answers to one call")
            << sh("printf '\\001\\0\\0\\0\\003\\001\\0\\0\\0\\003'; cat >/dev/null")
            << QStringLiteral("more than one answer");
    }
    void bridgeFailureIsReportedOnceThenCallsFail()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, reported);
        RecordingMessages messages;
        BridgedLinkLibrary link(messages, command, shortBound);
        for (int tick = 0; tick < 3; ++tick) {
            LinkLibrary::RadioOuts outs {};
            std::array<qint32, LinkLibrary::receiveArraySize> array {};
            QString text(14, QLatin1Char(' '));
            QCOMPARE(link.radio_recv4(outs, array.data(), array.data(), text, text), failed);
            qint32 message = 0;
            QCOMPARE(link.Get_Message(message, 100000, 0, text), 0);
        }
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown.first().contains(reported), qPrintable(messages.shown.first()));
        QCOMPARE(link.bridgeProcessId(), 0); // stopped, not left running
    }

    void badRequestIsAnsweredWithAnError_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("keepsServing"); // false: the stream is lost, the bridge ends
        QTest::newRow("unknown function") << QByteArray("\x01\0\0\0\x20", 5) << true;
        QTest::newRow("arguments cut short") << QByteArray("\x03\0\0\0\0\x01\0", 7) << true;
        QTest::newRow("too long") << QByteArray("\xff\xff\xff\x7f", 4) << false;
        QTest::newRow("input ends inside a request") << QByteArray("\x09\0\0\0\x0a", 5) << false;
    }
    void badRequestIsAnsweredWithAnError()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, keepsServing);
        QProcess bridge;
        bridge.start(QStringLiteral(BRIDGE), {nativeDir + QStringLiteral("/libwendalink.so")});
        const auto answer = [&bridge] {
            std::string received, body;
            do
                received += bridge.readAllStandardOutput().toStdString();
            while (takeMessage(received, body) != Take::Taken && bridge.waitForReadyRead());
            Answer decoded;
            return decodeAnswer(body, Function::xml_reset, decoded).empty() ? decoded.status
                                                                            : Status(0xff);
        };
        bridge.write(
            request + QByteArray::fromStdString(encodeRequest(emptyCall(Function::xml_reset))));
        bridge.closeWriteChannel();
        QCOMPARE(answer(), Status::BadRequest);
        if (keepsServing)
            QCOMPARE(answer(), Status::Done);
        QVERIFY(bridge.waitForFinished());
        QCOMPARE(bridge.exitCode(), keepsServing ? 0 : 1);
    }
};

QTEST_MAIN(BridgedLinkLibraryTest)
#include "tst_bridgedlinklibrary.moc"
