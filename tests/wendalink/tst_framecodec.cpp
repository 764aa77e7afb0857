#include "frames.h"

#include <QTest>

using namespace WendalinkProtocol;

class FrameCodecTest : public QObject
{
    Q_OBJECT

private slots:
    // The examples of docs/protocol.md, each of which must also parse back to
    // the message it was made from.
    void everyFrameTypeComesBackUnchangedWithTheDocumentedBytes_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QByteArray>("documented");
        const auto addRow = [](const char *name, const auto &message, const QByteArray &hex) {
            const bool back = message.parse(message.payload()) == message;
            QTest::newRow(name) << (back ? encode(message).toHex() : QByteArray("no round trip"))
                                << hex;
        };
        addRow("init request", InitRequest {1, 0xFFFF, 0}, "a501000c000000010000ffff000000000af6");
        addRow("init answer", InitAnswer {2}, "a502000200024f55");
        addRow("terminal message", TerminalMessage {3, "LASER RESET"},
            "a503000d00034c415345522052455345542476");
        addRow("terminal configuration",
            TerminalConfiguration {3, QByteArray("RA\0\0\0UE05\0", 10)},
            "a504000c000352410000005545303500c4c0");
        addRow("serial message", SerialMessage {"TERM0002", "LASER RESET"},
            "a50500135445524d303030324c41534552205245534554f23f");
        addRow("serial send", SerialSend {"TERM0002", 3, QByteArray("RA\0\0\0", 5)},
            "a50600115445524d30303032000000035241000000edbf");
    }
    void everyFrameTypeComesBackUnchangedWithTheDocumentedBytes()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QByteArray, documented);
        QCOMPARE(hex, documented);
    }

    // Each case is fed whole and split into single bytes.
    void damagedFrameIsDroppedAndTheNextDecodedWholeOrByteByByte_data()
    {
        constexpr int lengthHighByte = 2;
        QTest::addColumn<QByteArray>("damaged");
        const QByteArray good = encode(TerminalMessage {1, "LASER RESET"});
        // Oversize: a decoder waiting for that many bytes would hold back the next frame.
        QTest::newRow("length beyond the bound")
            << QByteArray(good).replace(lengthHighByte, 1, "\xff");
        // Fails its CRC; the next frame's marker lies inside the bytes this one claims.
        QTest::newRow("cut short") << good.chopped(3);
        // Its header is the next frame's first three bytes: only the marker may go.
        QTest::newRow("stray start marker") << QByteArray(1, char(startMarker));
    }
    void damagedFrameIsDroppedAndTheNextDecodedWholeOrByteByByte()
    {
        QFETCH(QByteArray, damaged);
        const SerialMessage next {"TERM0002", "LASER RESET"};
        const QByteArray bytes = damaged + encode(next);
        for (const qsizetype feedSize : {bytes.size(), qsizetype(1)}) {
            FrameDecoder decoder;
            for (qsizetype at = 0; at < bytes.size(); at += feedSize)
                decoder.feed(bytes.mid(at, feedSize));
            QCOMPARE(decoder.takeFrames(), (QList<Frame> {Frame {next.type, next.payload()}}));
        }
    }
};

QTEST_MAIN(FrameCodecTest)
#include "tst_framecodec.moc"
