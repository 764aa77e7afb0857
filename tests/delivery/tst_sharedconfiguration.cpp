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
        QTest::addColumn<int>("writesAccepted"); // by the store; negative: all
        QTest::addColumn<QString>("refused"); // the end of the log line, a warning then
        QTest::newRow("nothing checked: 21 removals, no write") << QStringList() << -1 << QString();
        QTest::newRow("3 records") << tableOrderRecords(3) << -1 << QString();
        QTest::newRow("20 records: only PELSADOIG21 removed")
            << tableOrderRecords(20) << -1 << QString();
        // Text1 holds "5" in every row; only these rows check its option.
        const QStringList withLength = tableOrderRecords(25).replaceInStrings(
            QStringLiteral("UE00"), QStringLiteral("UE05"));
        QTest::newRow("25 records, UE with its digits 05: nothing removed")
            << withLength << -1 << QString();
        QTest::newRow("25 records into a store full after 13")
            << withLength << 13 << "; 12 of 25 records were not stored and 0 removals failed";
    }
    void saveWritesEveryRecordThenRemovesUpTo21()
    {
        constexpr int lastRemovedRecord = 21;
        QFETCH(QStringList, records);
        QFETCH(int, writesAccepted);
        QFETCH(QString, refused);
        const int count = int(records.size());
        RecordingLinkLibrary link;
        link.storeWritesAccepted = writesAccepted;
        MemoryOptionPanel panel;
        checkOptionsInTableOrder(panel, count);
        panel.setLengthText(1, QStringLiteral("5")); // Code 93's minimum length
        QTest::ignoreMessage(refused.isEmpty() ? QtInfoMsg : QtWarningMsg,
            qPrintable(
                QStringLiteral("saved for all terminals: %1 (%2 records); %3%4")
                    .arg(asLogged(records))
                    .arg(count)
                    .arg(count < lastRemovedRecord
                            ? QStringLiteral("PELSADOIG%1 to PELSADOIG21 removed").arg(count + 1)
                            : QStringLiteral("nothing removed"),
                        refused)));

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
