#include "optiontable.h"

#include <QSet>
#include <QTest>

class OptionTableTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCheckNumberAndCodeOccursOnce()
    {
        QSet<int> checkNumbers;
        QSet<QByteArray> codes;
        for (const Option &option : OptionTable::options()) {
            checkNumbers.insert(option.checkNumber);
            codes.insert(option.code);
        }
        QCOMPARE(checkNumbers.size(), OptionTable::optionCount);
        QCOMPARE(codes.size(), OptionTable::optionCount);
    }

    void eachLengthFieldBelongsToOneOptionOfItsFrame()
    {
        QSet<int> claimed;
        for (const Option &option : OptionTable::options()) {
            if (!option.isLengthOption())
                continue;
            claimed.insert(option.textNumber);
            // A second option claiming the field fails here: the field names one option.
            QCOMPARE(OptionTable::lengthField(option.textNumber).checkNumber, option.checkNumber);
            QCOMPARE(OptionTable::lengthField(option.textNumber).frameNumber, option.frameNumber);
        }
        QCOMPARE(claimed.size(), OptionTable::lengthFieldCount);
    }
};

QTEST_MAIN(OptionTableTest)
#include "tst_optiontable.moc"
