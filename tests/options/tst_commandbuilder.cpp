#include "commandbuilder.h"
#include "memoryoptionpanel.h"
#include "optiontable.h"

#include <QTest>

constexpr int valueLength = 2;

static QString record(const char *code, const QString &value = QString(valueLength, QChar(u'\0')))
{
    return QLatin1String(code) + value + QChar(u'\0');
}

class CommandBuilderTest : public QObject
{
    Q_OBJECT

private slots:
    void lengthOptionGivesItsRecordAndTrace_data()
    {
        QTest::addColumn<int>("checkNumber");
        QTest::addColumn<int>("textNumber");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("trace");
        QTest::newRow("one digit padded")
            << 19 << 1 << "5" << record("UE", "05") << ", 85, 69, 48, 53, 0";
        QTest::newRow("three digits keep the last two")
            << 25 << 3 << "123" << record("VE", "23") << ", 86, 69, 50, 51, 0";
        QTest::newRow("blanks not trimmed")
            << 50 << 10 << " 7 " << record("PU", "7 ") << ", 80, 85, 55, 32, 0";
        QTest::newRow("euro sign traced as its code-page byte")
            << 19 << 1 << "\u20ac" << record("UE", "0\u20ac") << ", 85, 69, 48, 128, 0";
    }
    void lengthOptionGivesItsRecordAndTrace()
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

    void greyedOptionIsNotReadAndClearsAStaleTrace()
    {
        MemoryOptionPanel panel;
        panel.setCommandTrace(QStringLiteral(", 82, 65, 0, 0, 0"));
        panel.setCheckState(19, OptionPanel::greyed); // the option of Text1
        QCOMPARE(buildcmdlist(panel), QString());
        QCOMPARE(panel.lengthTextReads(1), 0);
        QCOMPARE(panel.commandTrace(), QString());
    }

    void allSixtyGiveEveryRecordWithResetFirstAndEanAddOnLast()
    {
        MemoryOptionPanel panel;
        for (int n = 1; n <= OptionTable::optionCount; ++n)
            panel.setCheckState(n, OptionPanel::checked);

        const QString list = buildcmdlist(panel);
        QCOMPARE(list.size(), OptionTable::optionCount * CommandList::recordLength);
        QCOMPARE(list.left(CommandList::recordLength), record("ZA"));
        QCOMPARE(list.right(CommandList::recordLength), record("RB"));
    }
};

QTEST_MAIN(CommandBuilderTest)
#include "tst_commandbuilder.moc"
