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
    const QString dir = is32 ? WINE_i686_DIR : WINE_x86_64_DIR,
                  wine = is32 ? WINE_i686 : WINE_x86_64;
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
    LinkLibrary::RadioOuts outs {50, 51, 52, 53, 54, 55, 56, 57, 58, 59};
    std::array<qint32, LinkLibrary::receiveArraySize> array1, array2;
    std::iota(array1.begin(), array1.end(), 1000);
    std::iota(array2.begin(), array2.end(), -1000);
    QString text1 = QStringLiteral("first text"), text2 = QStringLiteral("second \u00e9");
    add(link.radio_recv4(outs, array1.data(), array2.data(), text1, text2));
    add(text1, text2, array1.front(), array1.back(), array2.front(), array2.back());
    for (const qint32 value : outs)
        add(value);
    add(link.radio_message_conf_laser(2, QStringLiteral("ABCDEFGHIJ")));
    add(link.xml_position_inside_tag(QStringLiteral("TERMINAL")), link.xml_remove_tag("IG2"));
    add(link.xml_write_tag(QStringLiteral("PELSADOIG1"), QStringLiteral("RA")));
    return trace;
}

} // namespace

class BridgedLinkLibraryTest : public QObject
{
    Q_OBJECT

private slots:
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
            QVERIFY2(messages.shown.value(0).contains(named), qPrintable(messages.shown.value(0)));
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
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("reported");
        const char *const rows[][3] = {
            {"bridge missing", "/no/such/bridge", "could not be started"},
            {"dies during a call", "sh -c \"head -c 1; exit 3\"", "exit code 3"},
            {"hangs", "sh -c \"cat >/dev/null\"", "within 2000 ms"},
            {"answer too long", "sh -c \"echo garbage; cat\"", "longer than"},
            {"unknown status", "sh -c \"printf '\\001\\0\\0\\0\\011'; cat\"", "status 9"},
            {"two answers", "sh -c \"printf '\\001\\0\\0\\0\\003\\001\\0\\0\\0\\003'; cat\"",
                "more than one answer"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2]);
    }
    void bridgeFailureIsReportedOnceThenCallsFail()
    {
        QFETCH(QString, command);
        QFETCH(QString, reported);
        RecordingMessages messages;
        BridgedLinkLibrary link(messages, QProcess::splitCommand(command)); // the default bound
        for (int call = 0; call < 3; ++call)
            QCOMPARE(link.radio_init(1, 1, 0xFFFF, 0), failed);
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown.first().contains(reported), qPrintable(messages.shown.first()));
        QCOMPARE(link.bridgeProcessId(), 0); // stopped, not left running
    }

    void badRequestIsAnsweredWithAnError_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("keepsServing"); // false: the stream is lost, the bridge ends
        QTest::newRow("unknown function") << QByteArray("\x01\0\0\0\x20", 5) << true;
        QTest::newRow("too long") << QByteArray("\xff\xff\xff\x7f", 4) << false;
        QTest::newRow("input ends inside a request") << QByteArray("\x09\0\0\0\x0a", 5) << false;
    }
    void badRequestIsAnsweredWithAnError()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, keepsServing);
        QProcess bridge;
        bridge.start(QStringLiteral(BRIDGE), {nativeDir + QStringLiteral("/libwendalink.so")});
        bridge.write(
            request + QByteArray::fromStdString(encodeRequest(emptyCall(Function::xml_reset))));
        bridge.closeWriteChannel();
        QVERIFY(bridge.waitForFinished());
        std::string answers = bridge.readAllStandardOutput().toStdString(), body;
        QList<Status> statuses;
        for (Answer answer; takeMessage(answers, body) == Take::Taken;) {
            QCOMPARE(decodeAnswer(body, Function::xml_reset, answer), std::string());
            statuses << answer.status;
        }
        QCOMPARE(statuses.size(), keepsServing ? 2 : 1);
        QCOMPARE(statuses.first(), Status::BadRequest);
        QCOMPARE(statuses.last(), keepsServing ? Status::Done : Status::BadRequest);
        QCOMPARE(bridge.exitCode(), keepsServing ? 0 : 1);
    }
};

QTEST_MAIN(BridgedLinkLibraryTest)
#include "tst_bridgedlinklibrary.moc"
