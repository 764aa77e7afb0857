#include "frames.h"
#include "testregistry.h"

#include <QTest>

using namespace WendalinkProtocol;

namespace {

const QByteArray listWithPadding = QByteArray("ZA\0\0\0UE05\0", 10);

// Encodes, feeds the bytes through a decoder and decodes again.
template<typename Message>
std::optional<Message> overTheLine(const Message &message)
{
    FrameDecoder decoder;
    decoder.feed(encode(message));
    if (!decoder.hasFrame())
        return std::nullopt;
    const Frame frame = decoder.takeFrame();
    if (decoder.hasFrame() || decoder.droppedFrames() != 0)
        return std::nullopt;
    return decode<Message>(frame);
}

QList<Frame> decodeAll(const QByteArray &bytes, FrameDecoder &decoder)
{
    decoder.feed(bytes);
    return decoder.takeFrames();
}

} // namespace

class FrameCodecTest : public QObject
{
    Q_OBJECT

private slots:
    void everyFrameTypeComesBackUnchanged()
    {
        const InitRequest init {1, 0xFFFF, -7};
        QCOMPARE(overTheLine(init), init);
        const InitAnswer answer {0xFFFF};
        QCOMPARE(overTheLine(answer), answer);
        const TerminalMessage message {3, QByteArray("LASER\0RESET", 11)};
        QCOMPARE(overTheLine(message), message);
        const TerminalMessage longest {0xFFFF, QByteArray(maxTerminalTextSize, '\xA5')};
        QCOMPARE(overTheLine(longest), longest);
        const TerminalConfiguration configuration {2, listWithPadding};
        QCOMPARE(overTheLine(configuration), configuration);
        const TerminalConfiguration fullList {1, QByteArray(maxCommandListSize, 'R')};
        QCOMPARE(overTheLine(fullList), fullList);
        const SerialMessage serial {"TERM0001", "LASER RESET"};
        QCOMPARE(overTheLine(serial), serial);
        const SerialSend send {"TERM0001", 3, listWithPadding};
        QCOMPARE(overTheLine(send), send);
    }

    void shortSenderIdentifierIsPaddedNotShifted()
    {
        const auto message = overTheLine(SerialMessage {"AB", "text"});
        QVERIFY(message);
        QCOMPARE(message->sender, QByteArray("AB      "));
        QCOMPARE(message->text, QByteArray("text"));
    }

    // The bytes docs/protocol.md shows; a change of layout or CRC breaks them.
    void wireBytesMatchTheDocumentedExamples_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("init request") << encode(InitRequest {1, 0xFFFF, 0})
                                      << QByteArray("a501000c000000010000ffff000000000af6");
        QTest::newRow("init answer") << encode(InitAnswer {2}) << QByteArray("a502000200024f55");
        QTest::newRow("terminal message") << encode(TerminalMessage {3, "LASER RESET"})
                                          << QByteArray("a503000d00034c415345522052455345542476");
        QTest::newRow("terminal configuration")
            << encode(TerminalConfiguration {3, QByteArray("RA\0\0\0UE05\0", 10)})
            << QByteArray("a504000c000352410000005545303500c4c0");
        QTest::newRow("serial message")
            << encode(SerialMessage {"TERM0002", "LASER RESET"})
            << QByteArray("a50500135445524d303030324c41534552205245534554f23f");
        QTest::newRow("serial send")
            << encode(SerialSend {"TERM0002", 3, QByteArray("RA\0\0\0", 5)})
            << QByteArray("a50600115445524d30303032000000035241000000edbf");
    }
    void wireBytesMatchTheDocumentedExamples()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, hex);
        QCOMPARE(frame.toHex(), hex);
    }

    void damagedFrameIsDroppedAndTheNextOneStillDecoded_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        const QByteArray good = encode(TerminalMessage {1, "LASER RESET"});
        QByteArray badCrc = good;
        badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0x01);
        QByteArray badPayload = good;
        badPayload[6] = 'X';
        QByteArray unknownType = good;
        unknownType[1] = char(0x7F);
        QByteArray longerThanSent = good;
        longerThanSent[3] = char(longerThanSent[3] + 4); // swallows the start of the next frame
        QTest::newRow("wrong CRC") << badCrc;
        QTest::newRow("changed payload byte") << badPayload;
        QTest::newRow("unknown type") << unknownType;
        QTest::newRow("length reaching into the next frame") << longerThanSent;
        QTest::newRow("cut short") << good.left(good.size() - 3);
        // Right CRC, but a length its type never has.
        QByteArray wrongSize("\xa5\x01\x00\x0b", 4);
        wrongSize.append(11, '\0');
        const quint16 crc = frameCrc(QByteArrayView(wrongSize).sliced(1));
        wrongSize.append(char(crc >> 8)).append(char(crc & 0xFF));
        QTest::newRow("initialisation of the wrong size") << wrongSize;
    }
    void damagedFrameIsDroppedAndTheNextOneStillDecoded()
    {
        QFETCH(QByteArray, damaged);
        const SerialMessage next {"TERM0002", "LASER RESET"};
        FrameDecoder decoder;
        const QList<Frame> frames = decodeAll(damaged + encode(next), decoder);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(decode<SerialMessage>(frames.front()), next);
        QVERIFY(decoder.droppedFrames() >= 1);
        QCOMPARE(decoder.pendingBytes(), 0);
    }

    void garbageBeforeAFrameIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::newRow("no marker") << QByteArray("\x00\x01hello\xff", 8);
        QTest::newRow("markers only") << QByteArray(5, char(startMarker));
        QTest::newRow("marker with a huge length") << QByteArray("\xa5\x03\xff\xff", 4);
        QTest::newRow("marker at the very end") << QByteArray("abc\xa5", 4);
    }
    void garbageBeforeAFrameIsSkipped()
    {
        QFETCH(QByteArray, garbage);
        const TerminalMessage message {2, "LASER RESET"};
        FrameDecoder decoder;
        const QList<Frame> frames = decodeAll(garbage + encode(message), decoder);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(decode<TerminalMessage>(frames.front()), message);
    }

    void frameSplitIntoSingleBytesIsReassembled()
    {
        const QByteArray bytes
            = encode(SerialSend {"TERM0001", 3, listWithPadding}) + encode(InitAnswer {4});
        FrameDecoder decoder;
        QList<Frame> frames;
        for (const char byte : bytes) {
            decoder.feed(QByteArrayView(&byte, 1));
            frames += decoder.takeFrames();
        }
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].type, FrameType::SerialSend);
        QCOMPARE(decode<InitAnswer>(frames[1]), InitAnswer {4});
        QCOMPARE(decoder.droppedFrames(), 0);
    }

    void oversizeLengthIsRejectedAtOnce()
    {
        // A header announcing more than the bound must not make the decoder
        // wait for bytes that will never come.
        QByteArray header("\xa5\x05", 2);
        header.append(char(quint16(maxPayloadSize + 1) >> 8));
        header.append(char(quint16(maxPayloadSize + 1) & 0xFF));
        FrameDecoder decoder;
        decoder.feed(header);
        QCOMPARE(decoder.droppedFrames(), 1);
        QCOMPARE(decoder.pendingBytes(), 0);

        QVERIFY(
            encodeFrame(FrameType::SerialMessage, QByteArray(maxPayloadSize + 1, 'x')).isEmpty());
        QVERIFY(
            encode(TerminalConfiguration {1, QByteArray(maxCommandListSize + 5, 'R')}).isEmpty());
    }

    void abandonedPartialFrameReleasesTheFrameBehindIt()
    {
        // Noise that happens to look like a header holds back what follows
        // until the line has been quiet long enough for the caller to give up.
        const QByteArray falseHeader("\xa5\x03\x01\x00", 4);
        const TerminalMessage message {5, "LASER RESET"};
        FrameDecoder decoder;
        decoder.feed(falseHeader + encode(message));
        QVERIFY(!decoder.hasFrame());
        decoder.abandonPartialFrame();
        const QList<Frame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(decode<TerminalMessage>(frames.front()), message);
    }

    void configurationWithAPartialRecordIsRefused()
    {
        const Frame frame {FrameType::TerminalConfiguration, QByteArray("\x00\x01RA\0\0", 6)};
        QVERIFY(!decode<TerminalConfiguration>(frame));
    }
};

PELSADO_REGISTER_TEST(FrameCodecTest);
#include "tst_framecodec.moc"
