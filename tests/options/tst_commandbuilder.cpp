#include "commandbuilder.h"
#include "memoryoptionpanel.h"
#include "optiontable.h"

#include <QFile>
#include <QTest>

static QString record(const char *code, const QString &value)
{
    return QLatin1String(code) + value + QChar(u'\0');
}

class CommandBuilderTest : public QObject
{
    Q_OBJECT

private slots:
    void optionGivesItsRecordAndTrace_data()
    {
        QTest::addColumn<int>("state"); // of Check19, whose field is Text1
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("trace");
        QTest::newRow("one digit padded")
            << 1 << "5" << record("UE", "05") << ", 85, 69, 48, 53, 0";
        QTest::newRow("three digits keep the last two")
            << 1 << "123" << record("UE", "23") << ", 85, 69, 50, 51, 0";
        QTest::newRow("blanks not trimmed")
            << 1 << " 7 " << record("UE", "7 ") << ", 85, 69, 55, 32, 0";
        QTest::newRow("euro sign traced as its code-page byte")
            << 1 << "\u20ac" << record("UE", "0\u20ac") << ", 85, 69, 48, 128, 0";
        QTest::newRow("greyed: field not read, stale trace cleared") << 2 << "5"
                                                                     << ""
                                                                     << "";
    }
    void optionGivesItsRecordAndTrace()
    {
        QFETCH(int, state);
        QFETCH(QString, text1);
        QFETCH(QString, list);
        QFETCH(QString, trace);
        MemoryOptionPanel panel;
        panel.setCommandTrace(QStringLiteral(", 82, 65, 0, 0, 0"));
        panel.setCheckState(19, qint16(state));
        panel.setLengthText(1, text1);
        QCOMPARE(buildcmdlist(panel), list);
        QCOMPARE(panel.commandTrace(), trace);
        QCOMPARE(panel.lengthTextReads(1), list.isEmpty() ? 0 : 1);
    }

    // The list of all 60 options, Text n holding 10 + n, against one written
    // by hand from the option catalogue: order, codes and length fields. Each
    // option alone gives one record of it.
    void allSixtyGiveTheCataloguesList()
    {
        MemoryOptionPanel textsOnly;
        QStringList alone;
        for (int n = 1; n <= OptionTable::lengthFieldCount; ++n)
            textsOnly.setLengthText(n, QString::number(n + 10));
        MemoryOptionPanel panel = textsOnly;
        for (int n = 1; n <= OptionTable::optionCount; ++n) {
            MemoryOptionPanel onlyThisOne = textsOnly;
            onlyThisOne.setCheckState(n, OptionPanel::checked);
            alone << buildcmdlist(onlyThisOne);
            panel.setCheckState(n, OptionPanel::checked);
        }
        QFile golden(QStringLiteral(PELSADO_TEST_DATA_DIR "/all-options.list"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QString list = buildcmdlist(panel);
        QCOMPARE(list.toLatin1(), golden.readAll());
        for (qsizetype at = 0; at < list.size(); at += CommandList::recordLength)
            QVERIFY(alone.removeOne(list.mid(at, CommandList::recordLength)));
    }
};

QTEST_MAIN(CommandBuilderTest)
#include "tst_commandbuilder.moc"
