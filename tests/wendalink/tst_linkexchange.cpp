#include "inprocesstransport.h"
#include "linklibrary.h"
#include "recordingmessages.h"
#include "simulatorprocess.h"
#include "wendalink.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int port = 1;
constexpr int baud = 19200;
constexpr int radioChannel = 1;
constexpr int radioMask = 0xFFFF;
constexpr int radioFlags = 0;
constexpr int success = 0;
constexpr int getMessageMaxLength = 100000;
constexpr int sendKind = 3;
constexpr int maxSerialSendLength = 1012; // the longest data the library sends
constexpr int waitMs = SimulatorProcess::waitMs;
constexpr int ticksAfterHangup = 20;
constexpr int tickMs = 5;
// Four fill the simulator's output while nobody reads the line; it refuses the fifth.
constexpr int noiseMegabytes = 5;

// Three records as the builder makes them (code, two value characters or two
// zero bytes, one zero byte), and the NUL that ends the caller's copy of them.
constexpr char threeRecordsAndNul[] = "ZA\0\0\0RA\0\0\0UE05\0";
const QString threeRecords = QString::fromLatin1(threeRecordsAndNul, sizeof threeRecordsAndNul - 1);
// How the simulator reports them arriving: their bytes in hex, then the decoded records.
const QString threeRecordsReported = QStringLiteral("5a4100000052410000005545303500 ZA RA UE05");

} // namespace

class LinkExchangeTest : public QObject
{
    Q_OBJECT

private:
    const QString m_libraryDir = QStringLiteral(WENDALINK_LIBRARY_DIR);
    RecordingMessages m_messages;
    InProcessTransport m_inProcess {
        QString::fromLatin1(InProcessTransport::defaultName), m_libraryDir};
    LinkLibrary m_link {m_inProcess, m_messages};
    QTemporaryDir m_folder;
    std::unique_ptr<SimulatorProcess> m_simulator;

    // Starts the simulator on a pseudo-terminal of its own and opens it as COM1.
    bool openLineToSimulator(const QString &mode)
    {
        const QString link = m_folder.filePath(QStringLiteral("link"));
        qputenv("WENDALINK_COM1", QFile::encodeName(link));
        m_simulator = std::make_unique<SimulatorProcess>(link, mode);
        return m_simulator->isReady() && m_link.InitializeComm(port, baud) == success;
    }

private slots:
    void cleanup()
    {
        m_link.TerminateComm(port);
        m_simulator.reset();
        // The loader tells the operator when the library or one of its functions is missing.
        QCOMPARE(m_messages.shown, QStringList());
    }

    // A configuration on its way to the asking terminal is checked end to end.
    void refusedNoiseIsNotReportedAndHangupLeavesEveryCallQuiet()
    {
        QVERIFY(openLineToSimulator(QStringLiteral("base")));
        QCOMPARE(m_link.radio_init(port, radioChannel, radioMask, radioFlags), success);
        LinkLibrary::RadioOuts outs {};
        qint32 arrays[2][LinkLibrary::receiveArraySize] = {};
        QString texts[2];
        const auto poll = [&] {
            return m_link.radio_recv4(outs, arrays[0], arrays[1], texts[0], texts[1]);
        };
        for (int burst = 0; burst < noiseMegabytes; ++burst)
            m_simulator->send(QStringLiteral("noise 1048576"));
        m_simulator->send(QStringLiteral("hangup"));
        QVERIFY(m_simulator->waitForLine(QStringLiteral("hangup")));
        QCOMPARE(
            m_simulator->linesStartingWith(QStringLiteral("noise")).size(), noiseMegabytes - 1);
        for (int tick = 0; tick < ticksAfterHangup; ++tick) {
            QVERIFY(poll() != success);
            QVERIFY(m_link.radio_message_conf_laser(3, threeRecords) != success);
            // Between ticks the caller's event loop runs; a line that went
            // away must not keep it busy or crash it.
            QTest::qWait(tickMs);
        }
    }

    void serialMessagesCrossBothWaysAndNeverOverrunTheCallersText()
    {
        QVERIFY(openLineToSimulator(QStringLiteral("serial")));
        // The raw functions, so that guard bytes can sit behind the NUL that ends each text.
        QLibrary library(m_libraryDir + QStringLiteral("/wendalink"));
        const auto getMessage
            = reinterpret_cast<decltype(&::Get_Message)>(library.resolve("Get_Message"));
        const auto getString
            = reinterpret_cast<decltype(&::GetStringFromPtr)>(library.resolve("GetStringFromPtr"));
        const auto sendMessage
            = reinterpret_cast<decltype(&::Send_Message)>(library.resolve("Send_Message"));
        QVERIFY(getMessage && getString && sendMessage);
        m_simulator->send(QStringLiteral("request 2"));
        char sender[] = "   \0GUARD";
        int32_t handle = 0;
        int32_t length = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            length || (length = getMessage(&handle, getMessageMaxLength, 0, sender)), waitMs);
        QCOMPARE(length, int32_t(qstrlen("LASER RESET")));
        QCOMPARE(QByteArray(sender, sizeof sender), QByteArray("TER\0GUARD", sizeof sender));
        // The message is the result, at most `length` bytes; the caller's text stays as it was.
        char text[] = "  ";
        char *fetched = getString(text, handle, qstrlen("LASER"));
        QCOMPARE(QByteArray(fetched), QByteArray("LASER"));
        std::free(fetched);
        QCOMPARE(QByteArray(text), QByteArray("  "));
        // The handle is spent: fetching it again gives nothing.
        QCOMPARE(getString(text, handle, length), nullptr);

        // Back from a copy as long as the caller's, which the sanitizer build
        // guards: the list ends at its closing record, whatever the length.
        const auto copy = std::make_unique<char[]>(sizeof threeRecordsAndNul);
        std::memcpy(copy.get(), threeRecordsAndNul, sizeof threeRecordsAndNul);
        char sentBy[] = "TERM0002";
        QCOMPARE(sendMessage(copy.get(), sentBy, maxSerialSendLength, sendKind), success);
        const std::optional<TimedLine> line = m_simulator->waitForLine(QStringLiteral("config "));
        QCOMPARE(line ? line->text : QString(), QStringLiteral("config 2 ") + threeRecordsReported);
    }
};

QTEST_MAIN(LinkExchangeTest)
#include "tst_linkexchange.moc"
