#include "codepage.h"

#include <QTest>

class CodePageTest : public QObject
{
    Q_OBJECT

private slots:
    void encodesToTheEightBitCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("ascii") << "RA" << QByteArray("RA");
        QTest::newRow("NULs survive") << QString::fromUtf8("U\0E", 3) << QByteArray("U\0E", 3);
        QTest::newRow("e acute") << QString::fromUtf8("é") << QByteArray("\xe9");
        QTest::newRow("euro sign") << QString::fromUtf8("€") << QByteArray("\x80");
        QTest::newRow("missing: greek omega") << QString::fromUtf8("aΩb") << QByteArray("a?b");
        QTest::newRow("missing: outside the BMP") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    }
    void encodesToTheEightBitCodePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toCodePage(text), bytes);
    }

    void everyByteSurvivesARoundTrip()
    {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all += char(byte);
        const QString text = fromCodePage(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(toCodePage(text), all);
    }
};

QTEST_MAIN(CodePageTest)
#include "tst_codepage.moc"
