#include "codepage.h"

#include <QTest>

class CodePageTest : public QObject
{
    Q_OBJECT

private slots:
    // The code page's own letters (the euro sign at 128, e acute at 233) are
    // pinned by the configuration file's and the command list's golden bytes.
    void everyByteSurvivesARoundTripAndAMissingCharacterIsOneQuestionMark()
    {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all += char(byte);
        const QString text = fromCodePage(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(toCodePage(text), all);
        QCOMPARE(toCodePage(QString::fromUtf8("a\U0001F600b")), QByteArray("a?b"));
    }
};

QTEST_MAIN(CodePageTest)
#include "tst_codepage.moc"
