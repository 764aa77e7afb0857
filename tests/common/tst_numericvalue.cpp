#include "numericvalue.h"

#include <QTest>

// What the references of the fuzz target for numbers cannot decide. Its corpus,
// which the suite replays, pins the rest: integers in every radix, decimals,
// blanks, half-even rounding and the 16- and 32-bit ranges.
class NumericValueTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");

        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("ampersand alone") << "&X1" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("exponent without digits") << "7E" << 7.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
    }
    void readsTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numericValue(text), value);
    }
};

QTEST_MAIN(NumericValueTest)
#include "tst_numericvalue.moc"
