#include "commandbuilder.h"
#include "deliverytesthelpers.h"
#include "memoryoptionpanel.h"
#include "recordinglinklibrary.h"
#include "sharedconfiguration.h"
#include "testregistry.h"

#include <QTest>

namespace {

constexpr int lastRemovedRecord = 21;

QStringList positionedCall(const QString &call)
{
    return {QStringLiteral("xml_reset()"), QStringLiteral("xml_position_inside_tag(\"TERMINAL\")"),
        call};
}

QStringList writeCall(int record, const QString &value)
{
    return positionedCall(QStringLiteral("xml_write_tag(\"PELSADOIG%1\", %2)")
                              .arg(record)
                              .arg(RecordingLinkLibrary::quoted(value)));
}

QStringList removeCalls(int first)
{
    QStringList calls;
    for (int record = first; record <= lastRemovedRecord; ++record)
        calls << positionedCall(QStringLiteral("xml_remove_tag(\"PELSADOIG%1\")").arg(record));
    return calls;
}

} // namespace

class SharedConfigurationTest : public QObject
{
    Q_OBJECT

private slots:
    void saveWritesEveryRecordThenRemovesUpTo21_data()
    {
        QTest::addColumn<int>("checkedCount");
        QTest::addColumn<int>("firstRemoved");
        QTest::newRow("nothing checked: 21 removals, no write") << 0 << 1;
        QTest::newRow("3 records") << 3 << 4;
        QTest::newRow("20 records: only PELSADOIG21 removed") << 20 << 21;
        QTest::newRow("25 records: all written, nothing removed") << 25 << lastRemovedRecord + 1;
    }
    void saveWritesEveryRecordThenRemovesUpTo21()
    {
        QFETCH(int, checkedCount);
        QFETCH(int, firstRemoved);

        RecordingLinkLibrary link;
        MemoryOptionPanel panel;
        checkOptionsInTableOrder(panel, checkedCount);

        saveForAllTerminals(link, panel);

        const QString list = tableOrderList(checkedCount);
        QStringList expected;
        for (int record = 1; record <= checkedCount; ++record)
            expected << writeCall(record,
                list.mid((record - 1) * CommandList::recordLength, CommandList::recordLength));
        expected << removeCalls(firstRemoved);
        QCOMPARE(link.log, expected);
    }

    void lengthOptionStoresItsTwoValueCharacters()
    {
        constexpr int minimumCode93Check = 19;
        constexpr int minimumCode93Text = 1;
        RecordingLinkLibrary link;
        MemoryOptionPanel panel;
        panel.setCheckState(minimumCode93Check, OptionPanel::checked);
        panel.setLengthText(minimumCode93Text, QStringLiteral("5"));

        saveForAllTerminals(link, panel);

        QCOMPARE(link.log, writeCall(1, QStringLiteral("UE05") + QChar(u'\0')) + removeCalls(2));
    }

    void traceShowsTheSavedList()
    {
        RecordingLinkLibrary link;
        MemoryOptionPanel panel;
        panel.setCommandTrace(QStringLiteral("stale"));
        checkOptionsInTableOrder(panel, 2);

        saveForAllTerminals(link, panel);

        QCOMPARE(panel.commandTrace(), QStringLiteral(", 90, 65, 0, 0, 0, 90, 49, 0, 0, 0"));
    }
};

PELSADO_REGISTER_TEST(SharedConfigurationTest);
#include "tst_sharedconfiguration.moc"
