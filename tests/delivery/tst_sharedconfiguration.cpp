#include "deliverytesthelpers.h"
#include "fieldlog.h"
#include "recordinglinktransport.h"
#include "sharedconfiguration.h"

#include <QTest>

class SharedConfigurationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("pelsado.*.info=true")); }

    void saveWritesEveryRecordThenRemovesUpTo21_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::newRow("nothing checked: 21 removals, no write") << QStringList();
        QTest::newRow("3 records") << tableOrderRecords(3);
        QTest::newRow("20 records: only PELSADOIG21 removed") << tableOrderRecords(20);
        // Text1 holds "5" in every row; only this row checks its option.
        QTest::newRow("25 records, UE with its digits 05: nothing removed")
            << tableOrderRecords(25).replaceInStrings(
                   QStringLiteral("UE00"), QStringLiteral("UE05"));
    }
    void saveWritesEveryRecordThenRemovesUpTo21()
    {
        constexpr int lastRemovedRecord = 21;
        QFETCH(QStringList, records);
        const int count = int(records.size());
        RecordingLinkLibrary link;
        MemoryOptionPanel panel;
        checkOptionsInTableOrder(panel, count);
        panel.setLengthText(1, QStringLiteral("5")); // Code 93's minimum length
        QTest::ignoreMessage(QtInfoMsg,
            qPrintable(
                QStringLiteral("saved for all terminals: %1 (%2 records); %3")
                    .arg(asLogged(records))
                    .arg(count)
                    .arg(count < lastRemovedRecord
                            ? QStringLiteral("PELSADOIG%1 to PELSADOIG21 removed").arg(count + 1)
                            : QStringLiteral("nothing removed"))));

        saveForAllTerminals(link, panel);

        // Each single write and removal first finds TERMINAL from the top.
        QStringList expected;
        for (int n = 1; n <= qMax(count, lastRemovedRecord); ++n) {
            expected << QStringLiteral("xml_reset()")
                     << QStringLiteral("xml_position_inside_tag(\"TERMINAL\")");
            if (n <= count)
                expected << QStringLiteral("xml_write_tag(\"PELSADOIG%1\", %2)")
                                .arg(n)
                                .arg(RecordingLinkLibrary::quoted(records.at(n - 1)));
            else
                expected << QStringLiteral("xml_remove_tag(\"PELSADOIG%1\")").arg(n);
        }
        QCOMPARE(link.log, expected);
    }
};

QTEST_MAIN(SharedConfigurationTest)
#include "tst_sharedconfiguration.moc"
