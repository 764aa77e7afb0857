#include "module3.h"

#include <QTest>

class Module3Test : public QObject
{
    Q_OBJECT

private slots:
    void portNumberComesFromTheLastCharacter_data()
    {
        QTest::addColumn<QString>("comPort");
        QTest::addColumn<int>("port");
        QTest::newRow("stored default") << "1" << 1;
        QTest::newRow("list item") << "Com3" << 3;
        QTest::newRow("two digits: only the last counts") << "Com10" << 0;
        QTest::newRow("typed COM12") << "COM12" << 2;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letter last") << "ComX" << 0;
    }
    void portNumberComesFromTheLastCharacter()
    {
        QFETCH(QString, comPort);
        QFETCH(int, port);
        Module3 settings;
        settings.ComPort = comPort;
        QCOMPARE(settings.portNumber(), port);
    }

    void baudValueComesFromTheWholeText_data()
    {
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<int>("baud");
        QTest::newRow("plain") << "19200" << 19200;
        QTest::newRow("blank inside") << "19 200" << 19200;
        QTest::newRow("trailing letters") << "96x" << 96;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("half rounds to even") << "9600.5" << 9600;
        QTest::newRow("beyond 32 bits passes 0") << "99999999999" << 0;
        QTest::newRow("largest 32-bit value") << "2147483647" << 2147483647;
    }
    void baudValueComesFromTheWholeText()
    {
        QFETCH(QString, baudRate);
        QFETCH(int, baud);
        Module3 settings;
        settings.BaudRate = baudRate;
        QCOMPARE(settings.baudValue(), baud);
    }
};

QTEST_MAIN(Module3Test)
#include "tst_module3.moc"
