#include "messagequeue.h"
#include "seriallink.h"

#include <QBuffer>
#include <QTest>

#include <algorithm>

using namespace WendalinkProtocol;

namespace {

constexpr qint32 defaultBaud = 19200;
constexpr int pollPeriodMs = 100;
constexpr int dripPeriodMs = 200;
constexpr int msPerSecond = 1000;
constexpr int floodBytes = 1024 * 1024;
// Longer than any deadline: a drip still holding the request by then holds it for good.
constexpr qint64 giveUpAtMs = 60 * 1000;
constexpr int floodCount = 100;

const QByteArray request = encode(TerminalMessage {1, "LASER RESET"});
// The library's own largest frame echoed back: valid, and routed nowhere.
const QByteArray echo = encode(SerialSend {"TERM0001", 0, QByteArray(maxSerialDataSize, 'F')});

// A line whose bytes the test adds as time goes by, read through a SerialLink
// that runs on the test's clock.
struct FakeLine
{
    QBuffer device;
    qint64 nowMs = 0;
    SerialLink link {device, [this] {
                         return nowMs;
                     }};

    explicit FakeLine(qint32 baud)
    {
        device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        link.setBaudRate(baud);
    }
    void add(const QByteArray &bytes) { device.buffer().append(bytes); }
};

} // namespace

class SerialLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void floodIsCutToTheNewestBytesAndTheRequestBehindItServed()
    {
        FakeLine line(supportedBauds.front());
        while (line.device.size() < floodBytes)
            line.add(echo);
        line.add(request);
        const QList<Frame> frames = line.link.receive();
        QVERIFY(!frames.isEmpty());
        QCOMPARE(encodeFrame(frames.last().type, frames.last().payload), request);
        QCOMPARE(line.link.droppedBytes(), line.device.size() - SerialLink::maxBytesPerCall);
        QCOMPARE(line.link.decoder().pendingBytes(), 0);
    }

    void frameTricklingAtLineSpeedArrivesWhileADripIsGivenUp_data()
    {
        QTest::addColumn<qint32>("baud");
        QTest::newRow("slowest") << supportedBauds.front();
        QTest::newRow("default") << defaultBaud;
        QTest::newRow("fastest") << supportedBauds.back();
    }
    void frameTricklingAtLineSpeedArrivesWhileADripIsGivenUp()
    {
        QFETCH(qint32, baud);
        const QByteArray largest
            = encode(TerminalMessage {2, QByteArray(maxTerminalTextSize, 'L')});
        FakeLine genuine(baud);
        QList<Frame> received;
        for (qsizetype sent = 0; sent < largest.size(); genuine.nowMs += pollPeriodMs) {
            const qsizetype due
                = std::min(largest.size(), genuine.nowMs * baud / bitsPerLineByte / msPerSecond);
            genuine.add(largest.mid(sent, due - sent));
            sent = due;
            received += genuine.link.receive();
        }
        QCOMPARE(received.size(), 1);

        // A header announcing 1023 bytes, a request inside them, then one byte
        // every 200 ms: the request comes out once the header's deadline has
        // passed, at the first call after it.
        FakeLine drip(baud);
        drip.add(QByteArray::fromHex("a50303ff"));
        drip.link.receive();
        drip.add(request);
        qint64 servedAtMs = -1;
        for (; servedAtMs < 0 && drip.nowMs < giveUpAtMs; drip.nowMs += dripPeriodMs) {
            drip.add("x");
            if (!drip.link.receive().isEmpty())
                servedAtMs = drip.nowMs;
        }
        QVERIFY(servedAtMs >= drip.link.partialFrameDeadlineMs());
        QVERIFY(servedAtMs < drip.link.partialFrameDeadlineMs() + dripPeriodMs);
    }

    // Each terminal has one message waiting, its newest, in the place of its
    // first: a terminal that floods is answered once, with what it said last,
    // and holds every other back by one turn at most. A full queue of as many
    // terminals drops the oldest; a message already announced stays for its fetch.
    void eachTerminalWaitsOnceWithItsNewestMessage_data()
    {
        QTest::addColumn<bool>("serial"); // terminals by sender identifier, else by number
        QTest::addColumn<QStringList>("arrivals"); // "T:text", or "announce" the next waiting
        QTest::addColumn<QStringList>("taken"); // every message taken, oldest first
        QStringList flood, distinct;
        for (int number = 0; number < floodCount; ++number)
            flood << QStringLiteral("1:%1").arg(number);
        for (int terminal = 1; terminal <= MessageQueue::capacity + 1; ++terminal)
            distinct << QStringLiteral("%1:LASER RESET").arg(terminal);
        for (const bool serial : {false, true}) {
            const char *link = serial ? "serial" : "radio";
            QTest::addRow("%s: one terminal floods, another asks once", link)
                << serial << flood + QStringList {"2:LASER RESET"}
                << QStringList {flood.last(), "2:LASER RESET"};
            QTest::addRow("%s: full queue", link) << serial << distinct << distinct.mid(1);
            QTest::addRow("%s: announced, then newer ones", link)
                << serial << QStringList {"1:a", "announce", "1:b", "1:c"}
                << QStringList {"1:a", "1:c"};
        }
    }
    void eachTerminalWaitsOnceWithItsNewestMessage()
    {
        QFETCH(bool, serial);
        QFETCH(QStringList, arrivals);
        QFETCH(QStringList, taken);
        MessageQueue queue; // keyed as MessageRouter pushes: number or identifier, other empty
        for (const QString &arrival : arrivals) {
            const quint16 terminal = quint16(arrival.section(u':', 0, 0).toUInt());
            const QByteArray text = arrival.section(u':', 1).toLatin1();
            if (arrival == QLatin1String("announce"))
                QVERIFY(queue.announceNext());
            else
                queue.push(serial ? 0 : terminal, serial ? QByteArray::number(terminal) : "", text);
        }
        QStringList got;
        while (const std::optional<MessageQueue::Message> message = queue.takeNext())
            got << (serial ? message->sender : QByteArray::number(message->terminal)) + ':'
                    + message->text;
        QCOMPARE(got, taken);
    }
};

QTEST_MAIN(SerialLinkTest)
#include "tst_seriallink.moc"
