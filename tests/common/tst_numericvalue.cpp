#include "numericvalue.h"

#include <QTest>

#include <cmath>
#include <limits>

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
        QTest::newRow("blank inside digits") << "19 200" << 19200.0;
        QTest::newRow("stops at a letter") << "96x" << 96.0;
        QTest::newRow("tab and line feed inside digits") << "1\t2\n3" << 123.0;
        QTest::newRow("blanks around") << "  1  " << 1.0;
        QTest::newRow("carriage return stops") << "1\r2" << 1.0;
        QTest::newRow("hexadecimal") << "&H1F" << 31.0;
        QTest::newRow("hexadecimal lower case") << "&h1f" << 31.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O178" << 15.0;
        QTest::newRow("ampersand alone") << "&X1" << 0.0;
        QTest::newRow("exponent") << "1.5E1" << 15.0;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "7E" << 7.0;
        QTest::newRow("negative half") << "-2.5" << -2.5;
        QTest::newRow("plus sign") << "+3" << 3.0;
        QTest::newRow("sign with blank") << "- 4" << -4.0;
        QTest::newRow("fraction only") << ".5" << 0.5;
        QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("huge") << "1E400" << std::numeric_limits<double>::infinity();
        QTest::newRow("tiny") << "1E-400" << 0.0;
        QTest::newRow("tiny by leading zeros")
            << QStringLiteral("0.%1").arg(QString(324, QLatin1Char('0'))) + "1e1" << 0.0;
        QTest::newRow("huge after leading zeros")
            << QStringLiteral("0.%1").arg(QString(20, QLatin1Char('0'))) + "1e400"
            << std::numeric_limits<double>::infinity();
        QTest::newRow("many digits")
            << QString(400, QLatin1Char('9')) << std::numeric_limits<double>::infinity();
    }
    void readsTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numericValue(text), value);
    }

    void roundsHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");

        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("2.4999") << 2.4999 << 2;
        QTest::newRow("2.5001") << 2.5001 << 3;
        QTest::newRow("32767") << 32767.0 << 32767;
        QTest::newRow("-32768.4") << -32768.4 << -32768;
    }
    void roundsHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(toInt16HalfEven(value), std::optional<qint16>(qint16(rounded)));
        QCOMPARE(toInt32HalfEven(value), std::optional<qint32>(rounded));
    }

    void reportsValuesOutOfRange_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits16");
        QTest::addColumn<bool>("fits32");

        QTest::newRow("32767.5 rounds up past 16 bits") << 32767.5 << false << true;
        QTest::newRow("-32768.5 rounds to even, fits") << -32768.5 << true << true;
        QTest::newRow("-32769") << -32769.0 << false << true;
        QTest::newRow("2147483647") << 2147483647.0 << false << true;
        QTest::newRow("2147483647.5") << 2147483647.5 << false << false;
        QTest::newRow("-2147483648") << -2147483648.0 << false << true;
        QTest::newRow("-2147483649") << -2147483649.0 << false << false;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << false;
        QTest::newRow("NaN") << std::nan("") << false << false;
    }
    void reportsValuesOutOfRange()
    {
        QFETCH(double, value);
        QFETCH(bool, fits16);
        QFETCH(bool, fits32);
        QCOMPARE(toInt16HalfEven(value).has_value(), fits16);
        QCOMPARE(toInt32HalfEven(value).has_value(), fits32);
    }
};

QTEST_MAIN(NumericValueTest)
#include "tst_numericvalue.moc"
