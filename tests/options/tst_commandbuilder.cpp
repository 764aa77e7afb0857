#include "commandbuilder.h"
#include "memoryoptionpanel.h"
#include "optiontable.h"
#include "testregistry.h"

#include <QSet>
#include <QTest>

namespace {

constexpr int codeLength = 2;
constexpr int valueLength = 2;

QString record(const char *code, const char *value = nullptr)
{
    const QString nul(1, QChar(u'\0'));
    const QString valueCharacters = value ? QString::fromUtf8(value) : nul + nul;
    return QLatin1String(code) + valueCharacters + nul;
}

} // namespace

class CommandBuilderTest : public QObject
{
    Q_OBJECT

private slots:
    void nothingCheckedClearsAStaleTrace()
    {
        MemoryOptionPanel panel;
        panel.setCommandTrace(QStringLiteral(", 82, 65, 0, 0, 0"));
        QCOMPARE(buildcmdlist(panel), QString());
        QCOMPARE(panel.commandTrace(), QString());
    }

    void plainOptionGetsThreeNuls()
    {
        MemoryOptionPanel panel;
        panel.setCheckState(1, OptionPanel::checked);
        QCOMPARE(buildcmdlist(panel), record("RA"));
        QCOMPARE(panel.commandTrace(), QStringLiteral(", 82, 65, 0, 0, 0"));
    }

    void lengthValueIsTheLastTwoOfZeroZeroAndText_data()
    {
        QTest::addColumn<int>("checkNumber");
        QTest::addColumn<int>("textNumber");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("trace");

        QTest::newRow("one digit padded")
            << 19 << 1 << "5" << record("UE", "05") << ", 85, 69, 48, 53, 0";
        QTest::newRow("empty gives 00")
            << 19 << 1 << "" << record("UE", "00") << ", 85, 69, 48, 48, 0";
        QTest::newRow("three digits keep the last two")
            << 25 << 3 << "123" << record("VE", "23") << ", 86, 69, 50, 51, 0";
        QTest::newRow("letter sent as typed")
            << 19 << 1 << "a" << record("UE", "0a") << ", 85, 69, 48, 97, 0";
        QTest::newRow("blanks not trimmed")
            << 50 << 10 << " 7 " << record("PU", "7 ") << ", 80, 85, 55, 32, 0";
        QTest::newRow("e acute traced as its 8-bit code")
            << 19 << 1 << QString::fromUtf8("é") << record("UE", "0é") << ", 85, 69, 48, 233, 0";
        QTest::newRow("character outside the code page traced as ?")
            << 19 << 1 << QString::fromUtf8("Ω") << record("UE", "0Ω") << ", 85, 69, 48, 63, 0";
    }
    void lengthValueIsTheLastTwoOfZeroZeroAndText()
    {
        QFETCH(int, checkNumber);
        QFETCH(int, textNumber);
        QFETCH(QString, text);
        QFETCH(QString, list);
        QFETCH(QString, trace);

        MemoryOptionPanel panel;
        panel.setCheckState(checkNumber, OptionPanel::checked);
        panel.setLengthText(textNumber, text);
        QCOMPARE(buildcmdlist(panel), list);
        QCOMPARE(panel.commandTrace(), trace);
    }

    void onlyCheckedCounts_data()
    {
        QTest::addColumn<qint16>("state");
        QTest::newRow("unchecked") << OptionPanel::unchecked;
        QTest::newRow("greyed") << OptionPanel::greyed;
    }
    void onlyCheckedCounts()
    {
        QFETCH(qint16, state);
        MemoryOptionPanel panel;
        panel.setCheckState(1, state);
        panel.setCheckState(19, state);
        panel.setLengthText(1, QStringLiteral("5"));
        QCOMPARE(buildcmdlist(panel), QString());
        QCOMPARE(panel.lengthTextReads(1), 0);
    }

    void recordsFollowTheTableOrderNotTheCheckNumber_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("list");

        QTest::newRow("reset before Check1") << 1 << 56 << record("ZA") + record("RA");
        QTest::newRow("vault actions before Check1") << 58 << 1 << record("Z2") + record("RA");
        QTest::newRow("EAN add-on after Check55") << 60 << 55 << record("BE") + record("RB");
        QTest::newRow("UPC add-on before EAN add-on") << 60 << 59 << record("QB") + record("RB");
        QTest::newRow("contradictory options both kept") << 2 << 1 << record("RA") + record("RC");
    }
    void recordsFollowTheTableOrderNotTheCheckNumber()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, list);

        MemoryOptionPanel panel;
        panel.setCheckState(first, OptionPanel::checked);
        panel.setCheckState(second, OptionPanel::checked);
        QCOMPARE(buildcmdlist(panel), list);
    }

    void allSixtyCheckedGiveEveryRecordOnce()
    {
        constexpr int fullLength = OptionTable::optionCount * CommandList::recordLength;
        MemoryOptionPanel panel;
        for (int n = 1; n <= OptionTable::optionCount; ++n)
            panel.setCheckState(n, OptionPanel::checked);

        const QString list = buildcmdlist(panel);
        QCOMPARE(list.size(), fullLength);
        QCOMPARE(list.left(CommandList::recordLength), record("ZA"));
        QCOMPARE(list.right(CommandList::recordLength), record("RB"));

        QSet<QString> codes;
        int zeroValues = 0;
        for (int at = 0; at < fullLength; at += CommandList::recordLength) {
            codes.insert(list.mid(at, codeLength));
            zeroValues += list.mid(at + codeLength, valueLength) == QLatin1String("00");
            QCOMPARE(list.at(at + CommandList::recordLength - 1), QChar(u'\0'));
        }
        QCOMPARE(codes.size(), OptionTable::optionCount);
        QCOMPARE(zeroValues, OptionTable::lengthFieldCount);
        QCOMPARE(panel.commandTrace().count(QLatin1Char(',')), fullLength);
    }
};

PELSADO_REGISTER_TEST(CommandBuilderTest);
#include "tst_commandbuilder.moc"
