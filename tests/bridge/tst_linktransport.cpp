#include "bridgeprotocol.h"
#include "bridgetransport.h"
#include "inprocesstransport.h"
#include "linklibrary.h"
#include "memoryoptionpanel.h"
#include "recordingmessages.h"
#include "terminalpoller.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <numeric>

#include <signal.h>

using namespace BridgeProtocol;

namespace {

const QString nativeDir = QStringLiteral(NATIVE_DIR);
const QString missingLibrary = QStringLiteral("no_such_library");
const QString wrongKind = QStringLiteral("wrong kind");
// Not a library at all, for any system.
const QString notALibrary
    = QStringLiteral(SOURCE_DIR "/tests/bridge/recordinglibrary/wendalink.def");
const QString inProcess = QStringLiteral("in-process");
constexpr std::chrono::milliseconds wineBound {60000}; // a fresh Wine prefix starts in seconds
constexpr qint32 failed = -1;
constexpr int notTried = 1;

// A Linux path as Windows programs under Wine see it.
QString underWine(const QString &path)
{
    return QStringLiteral("Z:") + QString(path).replace(u'/', u'\\');
}

// The command that runs the bridge of `arch` with `library` ("native": this
// build's; "i686", "x86_64": cross-built, under Wine), or why it cannot run here.
std::pair<QStringList, QString> bridgeFor(const QString &arch, QString library)
{
    if (arch == QLatin1String("native")) {
        if (library == wrongKind)
            library = notALibrary;
        else if (library != missingLibrary)
            library = nativeDir + "/lib" + library + ".so";
        return {{QStringLiteral(BRIDGE), library}, {}};
    }
    const bool is32 = arch == QLatin1String("i686");
    const QString dir = is32 ? WINE_i686_DIR : WINE_x86_64_DIR,
                  wine = is32 ? WINE_i686 : WINE_x86_64;
    if (dir.isEmpty() || wine.isEmpty())
        return {{}, QStringLiteral("no MinGW-w64 %1 compiler or no Wine for it").arg(arch)};
    qputenv("WINEPREFIX", QByteArray(WINE_PREFIXES "-") + arch.toLatin1());
    static QHash<QString, QString> whyNotByArch; // a Wine start takes seconds: once per arch
    if (!whyNotByArch.contains(arch)) {
        QProcess probe; // ends at once on an empty input, having readied the prefix
        probe.start(wine, {dir + QStringLiteral("/wendalink-bridge.exe")});
        probe.closeWriteChannel();
        const bool ran = probe.waitForFinished(int(wineBound.count())) && probe.exitCode() == 0;
        whyNotByArch[arch] = ran
            ? QString()
            : "Wine cannot run the " + arch + " bridge here: " + probe.readAllStandardError();
    }
    if (!whyNotByArch[arch].isEmpty())
        return {{}, whyNotByArch[arch]};
    // A library of the other word size: each bridge gets the other one's DLL
    // (a Linux library would be loaded by Wine itself, sanitizer runtime and all).
    const QString otherDir = is32 ? WINE_x86_64_DIR : WINE_i686_DIR;
    if (library == wrongKind) {
        library = underWine(
            otherDir.isEmpty() ? nativeDir + "/libwendalink.so" : otherDir + "/wendalink.dll");
    }
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
    add(message, sender, link.GetStringFromPtr(QStringLiteral("LASER RESET \u00fc"), 42, 40));
    add(link.GetStringFromPtr(QStringLiteral("no result"), 42, -1));
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

// What `pattern` finds in a source file, in its order: its first group, or
// the text `shown` makes of each match.
QStringList foundIn(const QString &file, const QString &pattern,
    const std::function<QString(const QRegularExpressionMatch &)> &shown = {})
{
    QStringList found;
    QFile source(QStringLiteral(SOURCE_DIR "/") + file);
    if (!source.open(QIODevice::ReadOnly))
        return found;
    const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
    for (auto match = expression.globalMatch(QString::fromUtf8(source.readAll()));
         match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        found << (shown ? shown(next) : next.captured(1));
    }
    return found;
}

const QString header = QStringLiteral("wendalink/include/wendalink.h");
const QString declaration
    = QStringLiteral(R"(WENDALINK_API\s+\w+\s*\*?\s*WENDALINK_CALL\s+(\w+)\s*\(([^)]*)\))");
const QString recordingDef = QStringLiteral("tests/bridge/recordinglibrary/wendalink.def");

} // namespace

class LinkTransportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    // wendalink.h declares the ABI; every other list of its functions follows it,
    // in its order. (The call table's kinds are checked against it while compiling.)
    void everyListOfTheFunctionsFollowsTheHeader_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("declared");
        const QStringList names = foundIn(header, declaration);
        QCOMPARE(names.size(), int(LinkCall::functionCount));
        QStringList table;
        for (const LinkCall::Signature &row : LinkCall::functions)
            table << QString::fromLatin1(row.name);
        QTest::newRow("call table") << table << names;
        QTest::newRow("wendalink.def") << foundIn(QStringLiteral("wendalink/library/wendalink.def"),
            R"(^    (\w+)$)") << names;
        QTest::newRow("wendalink.map") << foundIn(QStringLiteral("wendalink/library/wendalink.map"),
            R"(^    (\w+);$)") << names;
        // A stdcall export's decoration is the bytes its arguments take, 4 each.
        QTest::newRow("recording wendalink.def, stdcall decorations")
            << foundIn(recordingDef, R"(^    (\w+ = \w+@\d+)$)")
            << foundIn(header, declaration, [](const QRegularExpressionMatch &match) {
                   const QString parameters = match.captured(2).trimmed();
                   const qsizetype count
                       = parameters == QLatin1String("void") ? 0 : parameters.count(u',') + 1;
                   return QStringLiteral("%1 = %1@%2").arg(match.captured(1)).arg(4 * count);
               });
    }
    void everyListOfTheFunctionsFollowsTheHeader()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, declared);
        QCOMPARE(listed, declared);
    }

    void callsAlikeOverEveryTransport_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("library");
        for (const char *way : {"in-process", "native", "i686", "x86_64"}) {
            for (const QString &library : {QStringLiteral("wendalink"),
                     QStringLiteral("wendalinkpartial"), missingLibrary, wrongKind})
                QTest::addRow("%s, %s", way, qPrintable(library)) << way << library;
        }
    }
    // The recording library gives back the same whichever way it is reached,
    // and a serial request is read from GetStringFromPtr's result. Without
    // radio_init, without the library, or with a file that is no library for
    // the program, the operator is told once, saying which.
    void callsAlikeOverEveryTransport()
    {
        QFETCH(QString, way);
        QFETCH(QString, library);
        RecordingMessages messages, referenceMessages;
        InProcessTransport reference(QStringLiteral("wendalink"), nativeDir);
        LinkLibrary referenceLink(reference, referenceMessages);
        const QStringList expected = callEveryFunction(referenceLink);
        QVERIFY(expected.contains(QStringLiteral("80redneS"))); // the library did write back
        QVERIFY(expected.contains(QStringLiteral("tluser on"))); // a null result: the text left
        QCOMPARE(
            expected.filter(QRegularExpression(QStringLiteral("^LASER RESET -?\\d+$"))).size(), 1);

        std::unique_ptr<LinkTransport> transport;
        BridgeTransport *bridge = nullptr;
        if (way == inProcess) {
            transport = std::make_unique<InProcessTransport>(
                library == wrongKind ? notALibrary : library, nativeDir);
        } else {
            const auto [command, whyNot] = bridgeFor(way, library);
            if (command.isEmpty())
                QSKIP(qPrintable(whyNot));
            transport = std::make_unique<BridgeTransport>(messages, command, wineBound);
            bridge = static_cast<BridgeTransport *>(transport.get());
        }
        auto link = std::make_unique<LinkLibrary>(*transport, messages);
        const QStringList trace = callEveryFunction(*link);

        if (library == QLatin1String("wendalink")) {
            QCOMPARE(trace, expected);
            QCOMPARE(messages.shown, QStringList());
            // No byte past what the tool sent reaches the library: not for a
            // length beyond the data, nor for a list's last record cut short.
            const QString data = QStringLiteral("AB\nDE\r2345");
            QCOMPARE(
                link->Send_Message(data, data, 4000, 3), link->Send_Message(data, data, 10, 3));
            QCOMPARE(link->radio_message_conf_laser(2, data + "XY"),
                link->radio_message_conf_laser(2, data));
            MemoryOptionPanel nothingChecked;
            TerminalPoller poller(*link, nothingChecked, messages, [] { return false; });
            poller.start();
            auto *timer1 = poller.findChild<QTimer *>(QStringLiteral("Timer1"));
            QVERIFY(timer1);
            // One tick through Timer1's own signal; no event loop runs, so no second one.
            QVERIFY(QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection));
            poller.stop();
            QCOMPARE(messages.shown,
                QStringList {QString::fromLatin1(TerminalPoller::nothingSelectedText)});
        } else {
            const bool noLibrary = library != QLatin1String("wendalinkpartial");
            const QRegularExpression told(library == missingLibrary
                    ? "\"(lib)?no_such_library(\\.so|\\.dll)?\" was not found beside"
                    : library == wrongKind ? "is not a link library this program can load"
                                           : "has no function radio_init");
            QVERIFY2(messages.shown.value(0).contains(told), qPrintable(messages.shown.value(0)));
            QCOMPARE(link->radio_init(1, 1, 0xFFFF, 0), failed);
            QCOMPARE(link->InitializeComm(3, 19200) == referenceLink.InitializeComm(3, 19200),
                !noLibrary);
            qint32 message = 0;
            QString sender = QStringLiteral("unchanged");
            QCOMPARE(link->Get_Message(message, 100000, 0, sender) == 0, noLibrary);
            QCOMPARE(sender == QLatin1String("unchanged"), noLibrary);
            QCOMPARE(messages.shown.size(), 1);
        }
        const qint64 pid = bridge ? bridge->bridgeProcessId() : 0;
        link.reset();
        transport.reset();
        QVERIFY(pid == 0 || kill(pid_t(pid), 0) == -1); // the bridge ends with the tool's side
    }

    // A bridge that fails is told once and stopped; later calls fail quietly
    // until InitializeComm starts a fresh bridge. Only a call of the polling
    // tick is bounded: a slow start-up call is waited for.
    void bridgeFailureIsReportedOnceThenCallsFail_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("tickCall"); // else radio_init, a start-up call
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("reported"); // in the one message; empty: none
        QTest::addColumn<int>("resultOfInitializeAfter"); // notTried: it would wait forever
        const QString failsOnce
            = QStringLiteral("sh -c \"test -e %1 && exec %2 %3; touch %1; head -c 1; exit 3\"")
                  .arg(m_folder.filePath(QStringLiteral("failed-once")), QStringLiteral(BRIDGE),
                      nativeDir + QStringLiteral("/libwendalink.so"));
        // InitializeComm(3, 19200) of the recording library: (1 * 31 + 3) * 31 + 19200.
        constexpr int recordingInitializeComm = 20254;
        QTest::newRow("bridge missing")
            << "/no/such/bridge" << true << failed << "could not be started" << failed;
        QTest::newRow("dies during a call") << "sh -c \"head -c 1; exit 3\"" << true << failed
                                            << "stopped with exit code 3" << failed;
        QTest::newRow("killed by a signal")
            << "sh -c \"head -c 1; kill -KILL $$\"" << true << failed
            << "was killed by signal 9 (SIGKILL)" << failed;
        QTest::newRow("hangs in a tick")
            << "sh -c \"cat >/dev/null\"" << true << failed << "within 2000 ms" << notTried;
        // The 21 bytes of radio_init's request, then result 7.
        QTest::newRow("slow start-up call")
            << "sh -c \"head -c 21 >/dev/null; sleep 3; printf '\\005\\0\\0\\0\\0\\007\\0\\0\\0'; "
               "cat >/dev/null\""
            << false << 7 << "" << notTried;
        QTest::newRow("answer too long")
            << "sh -c \"echo garbage; cat\"" << true << failed << "longer than" << failed;
        QTest::newRow("unknown status") << "sh -c \"printf '\\001\\0\\0\\0\\011'; cat\"" << true
                                        << failed << "status 9" << failed;
        QTest::newRow("two answers")
            << "sh -c \"printf '\\001\\0\\0\\0\\003\\001\\0\\0\\0\\003'; cat\"" << true << failed
            << "more than one answer" << failed;
        QTest::newRow("fails once, then a fresh bridge works")
            << failsOnce << true << failed << "stopped with exit code 3" << recordingInitializeComm;
    }
    void bridgeFailureIsReportedOnceThenCallsFail()
    {
        QFETCH(QString, command);
        QFETCH(bool, tickCall);
        QFETCH(int, result);
        QFETCH(QString, reported);
        QFETCH(int, resultOfInitializeAfter);
        RecordingMessages messages;
        BridgeTransport bridge(messages, QProcess::splitCommand(command)); // the default bound
        LinkLibrary link(bridge, messages);
        const auto call = [&] {
            return tickCall ? link.radio_message_conf_laser(1, QStringLiteral("RA"))
                            : link.radio_init(1, 1, 0xFFFF, 0);
        };
        QCOMPARE(call(), result);
        QCOMPARE(messages.shown.size(), reported.isEmpty() ? 0 : 1);
        if (reported.isEmpty())
            return;
        QVERIFY2(messages.shown.first().contains(reported), qPrintable(messages.shown.first()));
        QCOMPARE(bridge.bridgeProcessId(), 0); // stopped, not left running
        QCOMPARE(call(), failed);
        QCOMPARE(messages.shown.size(), 1);
        if (resultOfInitializeAfter == notTried)
            return;
        QCOMPARE(link.InitializeComm(3, 19200), resultOfInitializeAfter);
        QCOMPARE(messages.shown.size(), resultOfInitializeAfter == failed ? 2 : 1);
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
        bridge.write(request
            + QByteArray::fromStdString(
                encodeRequest(LinkCall::emptyCall(LinkCall::Function::xml_reset))));
        bridge.closeWriteChannel();
        QVERIFY(bridge.waitForFinished());
        std::string answers = bridge.readAllStandardOutput().toStdString(), body;
        QList<LinkCall::Status> statuses;
        for (Answer answer; takeMessage(answers, body) == Take::Taken;) {
            QCOMPARE(decodeAnswer(body, LinkCall::Function::xml_reset, answer), std::string());
            statuses << answer.status;
        }
        QCOMPARE(statuses.size(), keepsServing ? 2 : 1);
        QCOMPARE(statuses.first(), LinkCall::Status::BadRequest);
        QCOMPARE(
            statuses.last(), keepsServing ? LinkCall::Status::Done : LinkCall::Status::BadRequest);
        QCOMPARE(bridge.exitCode(), keepsServing ? 0 : 1);
    }
};

QTEST_MAIN(LinkTransportTest)
#include "tst_linktransport.moc"
