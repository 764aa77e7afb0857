#include "configurationstore.h"
#include "frames.h"
#include "recordingmessages.h"
#include "testregistry.h"
#include "wendalink.h"
#include "wendalinklibrary.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLibrary>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int port = 1;
constexpr int baud = 19200;
constexpr int radioChannel = 1;
constexpr int radioMask = 0xFFFF;
constexpr int radioFlags = 0;
constexpr int getMessageMaxLength = 100000;
constexpr int sendKind = 3;
constexpr int success = 0;
constexpr int waitMs = 5000;
constexpr int pollIntervalMs = 5;
constexpr int radioTextSize = 14;
constexpr int highestBaud = 115200;
constexpr const char *deviceVariable = "WENDALINK_COM1";

// The list of three records the way the builder makes it: code, two value
// characters or two zero bytes, one zero byte.
constexpr char threeRecordsBytes[] = "ZA\0\0\0RA\0\0\0UE05\0";
const QString threeRecords
    = QString::fromLatin1(threeRecordsBytes, qsizetype(sizeof threeRecordsBytes) - 1);
const QString threeRecordsHex = QStringLiteral("5a4100000052410000005545303500");
const int threeRecordsLength = int(threeRecords.size());

// One simulator on its own pseudo-terminal, ended and cleaned up with the test.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QStringList &arguments = {})
    {
        m_link = m_folder.filePath(QStringLiteral("link"));
        m_process.setProgram(QStringLiteral(WENDALINK_SIM_PATH));
        m_process.setArguments(QStringList {QStringLiteral("--link"), m_link} + arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }

    ~SimulatorProcess()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        command("quit");
        if (!m_process.waitForFinished(waitMs)) {
            m_process.kill();
            m_process.waitForFinished(waitMs);
        }
    }

    bool start()
    {
        qputenv(deviceVariable, QFile::encodeName(m_link));
        return !waitForLine(QStringLiteral("ready ")).isEmpty();
    }

    QString link() const { return m_link; }

    void command(const QByteArray &line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(waitMs);
    }

    // The next output line that begins with `prefix`; the lines before it are
    // passed over (and kept in seen()). Empty when none comes in time.
    QString waitForLine(const QString &prefix)
    {
        const QDeadlineTimer deadline(waitMs);
        for (;;) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                m_seen << line;
                if (line.startsWith(prefix))
                    return line;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning
                || !m_process.waitForReadyRead(int(deadline.remainingTime())))
                return {};
        }
    }

    QStringList seen() const { return m_seen; }

private:
    QTemporaryDir m_folder;
    QString m_link;
    QProcess m_process;
    QStringList m_seen;
};

// Calls `attempt` until it reports success or the time is up; sleeps in
// between instead of running an event loop, as a caller without one would.
bool pollUntil(const std::function<bool()> &attempt)
{
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        if (attempt())
            return true;
        QThread::msleep(pollIntervalMs);
    }
    return false;
}

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

} // namespace

class LinkExchangeTest : public QObject
{
    Q_OBJECT

private:
    RecordingMessages m_messages;
    std::unique_ptr<WendalinkLibrary> m_link;
    QTemporaryDir m_storeFolder;
    QByteArray m_savedStoreVariable;

    qint32 receiveFromRadio(qint32 &terminal)
    {
        LinkLibrary::RadioOuts outs {};
        qint32 first[LinkLibrary::receiveArraySize] = {};
        qint32 second[LinkLibrary::receiveArraySize] = {};
        QString text1 = blanks(radioTextSize);
        QString text2 = blanks(radioTextSize);
        const qint32 result = m_link->radio_recv4(outs, first, second, text1, text2);
        terminal = outs[LinkLibrary::terminalNumberOut];
        return result;
    }

    // Waits for a terminal's message in base-station mode; its terminal number, or 0.
    qint32 awaitRadioMessage()
    {
        qint32 terminal = 0;
        pollUntil([&] { return receiveFromRadio(terminal) == success; });
        return terminal;
    }

    struct SerialMessage
    {
        qint32 length = 0;
        QString sender;
        QString text;
    };

    std::optional<SerialMessage> fetchSerialMessage()
    {
        qint32 handle = 0;
        SerialMessage message;
        message.sender = blanks(WendalinkProtocol::senderIdSize);
        message.length = m_link->Get_Message(handle, getMessageMaxLength, 0, message.sender);
        if (message.length == 0)
            return std::nullopt;
        message.text = m_link->GetStringFromPtr(blanks(message.length), handle, message.length);
        return message;
    }

    std::optional<SerialMessage> awaitSerialMessage()
    {
        std::optional<SerialMessage> message;
        pollUntil([&] { return bool(message = fetchSerialMessage()); });
        return message;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_storeFolder.isValid());
        m_savedStoreVariable = qgetenv(ConfigurationStore::storePathVariable);
        qputenv(ConfigurationStore::storePathVariable,
            QFile::encodeName(m_storeFolder.filePath(QStringLiteral("store.xml"))));
        m_link = std::make_unique<WendalinkLibrary>(m_messages,
            QString::fromLatin1(WendalinkLibrary::defaultName),
            QStringList {QStringLiteral(WENDALINK_LIBRARY_DIR)});
    }

    void cleanupTestCase()
    {
        if (m_savedStoreVariable.isNull())
            qunsetenv(ConfigurationStore::storePathVariable);
        else
            qputenv(ConfigurationStore::storePathVariable, m_savedStoreVariable);
        qunsetenv(deviceVariable);
    }

    void cleanup()
    {
        m_link->TerminateComm(port);
        // The loader tells the operator about a missing library or function.
        QCOMPARE(m_messages.shown, QStringList());
    }

    void everyFunctionResolvesFromTheLibraryBuiltHere()
    {
        QCOMPARE(m_link->xml_reset(), success);
        QVERIFY(m_link->loadedFrom().startsWith(QStringLiteral(WENDALINK_LIBRARY_DIR)));

        // With no line open, every call answers "failed" or "nothing".
        QVERIFY(m_link->InitializeComm(0, baud) != success);
        QVERIFY(m_link->radio_set_baudrate(baud) != success);
        QVERIFY(m_link->radio_init(port, radioChannel, radioMask, radioFlags) != success);
        qint32 terminal = 0;
        QVERIFY(receiveFromRadio(terminal) != success);
        QVERIFY(m_link->radio_message_conf_laser(1, threeRecords) != success);
        QVERIFY(m_link->Send_Message(
                    threeRecords, QStringLiteral("TERM0001"), threeRecordsLength, sendKind)
            != success);
        QCOMPARE(fetchSerialMessage(), std::nullopt);
        QCOMPARE(m_link->GetStringFromPtr(blanks(4), 12345, 4), blanks(4));
        QCOMPARE(m_link->radio_close(), success);

        // The store calls reach the file the variable names.
        QCOMPARE(m_link->xml_position_inside_tag(QStringLiteral("TERMINAL")), success);
        QCOMPARE(
            m_link->xml_write_tag(QStringLiteral("PELSADOIG1"), threeRecords.left(5)), success);
        QCOMPARE(m_link->xml_remove_tag(QStringLiteral("PELSADOIG2")), success);
        ConfigurationStore store(m_storeFolder.filePath(QStringLiteral("store.xml")));
        QVERIFY(store.reset());
        QVERIFY(store.positionInside("TERMINAL"));
        QCOMPARE(store.value("PELSADOIG1"), QByteArray("ZA"));
    }

    void openingRefusesBadPortsBaudsAndDevices_data()
    {
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<int>("baudValue");
        QTest::addColumn<QString>("device"); // empty: the simulator's line
        QTest::addColumn<bool>("opens");
        QTest::newRow("usual settings") << port << baud << QString() << true;
        QTest::newRow("highest baud") << port << highestBaud << QString() << true;
        QTest::newRow("port 0") << 0 << baud << QString() << false;
        QTest::newRow("baud with a digit missing") << port << 1920 << QString() << false;
        QTest::newRow("baud 0 from a text that is no number") << port << 0 << QString() << false;
        QTest::newRow("no such device")
            << port << baud << QStringLiteral("/nonexistent/tty") << false;
    }
    void openingRefusesBadPortsBaudsAndDevices()
    {
        QFETCH(int, portNumber);
        QFETCH(int, baudValue);
        QFETCH(QString, device);
        QFETCH(bool, opens);
        SimulatorProcess simulator;
        QVERIFY(simulator.start());
        if (!device.isEmpty())
            qputenv(deviceVariable, QFile::encodeName(device));
        QCOMPARE(m_link->InitializeComm(portNumber, baudValue) == success, opens);
    }

    void configurationReachesTheTerminalThatAsked()
    {
        SimulatorProcess simulator({QStringLiteral("--terminals"), QStringLiteral("3")});
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        QCOMPARE(m_link->radio_set_baudrate(baud), success);
        QCOMPARE(m_link->radio_init(port, radioChannel, radioMask, radioFlags), success);

        simulator.command("request 3");
        QCOMPARE(awaitRadioMessage(), 3);
        QCOMPARE(m_link->radio_message_conf_laser(3, threeRecords), success);
        QCOMPARE(simulator.waitForLine(QStringLiteral("config ")),
            QStringLiteral("config 3 %1 ZA RA UE05").arg(threeRecordsHex));
    }

    void listWithoutTerminatorStopsAtSixtyRecords()
    {
        SimulatorProcess simulator;
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        using WendalinkProtocol::commandRecordSize;
        using WendalinkProtocol::maxCommandRecords;
        const QString oneTooMany(commandRecordSize * (maxCommandRecords + 1), QLatin1Char('R'));
        QCOMPARE(m_link->radio_message_conf_laser(1, oneTooMany), success);
        const QString line = simulator.waitForLine(QStringLiteral("config "));
        const QString hex = line.section(QLatin1Char(' '), 2, 2);
        QCOMPARE(hex.size(), 2 * commandRecordSize * maxCommandRecords);
    }

    void serialLinkHasNoBaseStationButCarriesMessagesBothWays()
    {
        SimulatorProcess simulator({QStringLiteral("--mode"), QStringLiteral("serial")});
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        QVERIFY(m_link->radio_init(port, radioChannel, radioMask, radioFlags) != success);

        const QString text = QStringLiteral("LASER RESET now");
        simulator.command("request 2 " + text.toLatin1());
        const std::optional<SerialMessage> message = awaitSerialMessage();
        QVERIFY(message);
        QCOMPARE(message->sender, QStringLiteral("TERM0002"));
        QCOMPARE(message->length, text.size());
        QCOMPARE(message->text, text);

        QCOMPARE(m_link->Send_Message(threeRecords, message->sender, threeRecordsLength, sendKind),
            success);
        QCOMPARE(simulator.waitForLine(QStringLiteral("config ")),
            QStringLiteral("config 2 %1 ZA RA UE05").arg(threeRecordsHex));
    }

    void sendToAnUnknownSenderIsReportedNotDelivered()
    {
        SimulatorProcess simulator({QStringLiteral("--mode"), QStringLiteral("serial")});
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        QCOMPARE(m_link->Send_Message(
                     threeRecords, QStringLiteral("NOBODY42"), threeRecordsLength, sendKind),
            success);
        QVERIFY(!simulator.waitForLine(QStringLiteral("unknown destination")).isEmpty());
        QVERIFY(simulator.seen().filter(QRegularExpression(QStringLiteral("^config"))).isEmpty());
    }

    void filledTextsNeverGrowPastTheCallersText()
    {
        SimulatorProcess simulator({QStringLiteral("--mode"), QStringLiteral("serial")});
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);

        // The raw functions, with guard bytes behind the NUL that ends each text.
        QLibrary raw(
            QDir(QStringLiteral(WENDALINK_LIBRARY_DIR)).filePath(QStringLiteral("wendalink")));
        const auto getMessage
            = reinterpret_cast<decltype(&::Get_Message)>(raw.resolve("Get_Message"));
        const auto getString
            = reinterpret_cast<decltype(&::GetStringFromPtr)>(raw.resolve("GetStringFromPtr"));
        QVERIFY(getMessage && getString);

        simulator.command("request 1");
        char sender[] = "   \0GUARD";
        int32_t handle = 0;
        int32_t length = 0;
        QVERIFY(pollUntil(
            [&] { return (length = getMessage(&handle, getMessageMaxLength, 0, sender)) != 0; }));
        QCOMPARE(length, int32_t(std::strlen("LASER RESET")));
        QCOMPARE(QByteArray(sender, sizeof sender), QByteArray("TER\0GUARD", sizeof sender));

        char text[] = "     \0GUARD";
        QCOMPARE(getString(text, handle, length), success);
        QCOMPARE(QByteArray(text, sizeof text), QByteArray("LASER\0GUARD", sizeof text));
        // The handle is spent: a second fetch leaves the text alone.
        char again[] = "  ";
        QVERIFY(getString(again, handle, length) != success);
        QCOMPARE(QByteArray(again), QByteArray("  "));
    }

    void fullQueueDropsTheOldestMessages()
    {
        SimulatorProcess simulator({QStringLiteral("--mode"), QStringLiteral("serial")});
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        constexpr int sent = 70;
        constexpr int kept = 64;
        QByteArray commands;
        for (int i = 0; i < sent; ++i)
            commands += "request 1 R" + QByteArray::number(i) + '\n';
        simulator.command(commands.chopped(1));
        QVERIFY(
            !simulator.waitForLine(QStringLiteral("request 1 sent as TERM0001: R%1").arg(sent - 1))
                 .isEmpty());

        QStringList texts;
        while (const std::optional<SerialMessage> message = fetchSerialMessage())
            texts << message->text;
        QCOMPARE(texts.size(), kept);
        QCOMPARE(texts.front(), QStringLiteral("R%1").arg(sent - kept));
        QCOMPARE(texts.back(), QStringLiteral("R%1").arg(sent - 1));
    }

    void noiseOnTheLineDoesNotHideTheNextRequest()
    {
        SimulatorProcess simulator;
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        simulator.command("noise 3000");
        simulator.command("request 2");
        QVERIFY(!simulator.waitForLine(QStringLiteral("request 2 sent")).isEmpty());
        qint32 terminal = 0;
        QVERIFY(pollUntil([&] { return receiveFromRadio(terminal) == success && terminal == 2; }));
    }

    void hangupLeavesEveryCallReportingNothing()
    {
        {
            SimulatorProcess simulator;
            QVERIFY(simulator.start());
            QCOMPARE(m_link->InitializeComm(port, baud), success);
            QCOMPARE(m_link->radio_init(port, radioChannel, radioMask, radioFlags), success);
            simulator.command("hangup");
            QVERIFY(!simulator.waitForLine(QStringLiteral("hangup")).isEmpty());

            qint32 terminal = 0;
            for (int tick = 0; tick < 20; ++tick) {
                QVERIFY(receiveFromRadio(terminal) != success);
                QCOMPARE(fetchSerialMessage(), std::nullopt);
                // Between ticks the caller's event loop runs; a line that went
                // away must not keep it busy or crash it.
                QTest::qWait(pollIntervalMs);
            }
            QVERIFY(m_link->radio_message_conf_laser(1, threeRecords) != success);
            QVERIFY(m_link->Send_Message(
                        threeRecords, QStringLiteral("TERM0001"), threeRecordsLength, sendKind)
                != success);
        }
        // A new line opens as if nothing had happened.
        SimulatorProcess simulator;
        QVERIFY(simulator.start());
        QCOMPARE(m_link->InitializeComm(port, baud), success);
        QCOMPARE(m_link->radio_init(port, radioChannel, radioMask, radioFlags), success);
    }
};

PELSADO_REGISTER_TEST(LinkExchangeTest);
#include "tst_linkexchange.moc"
