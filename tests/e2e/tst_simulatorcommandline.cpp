#include <QProcess>
#include <QTest>

// Each way of calling the simulator: its exit status and what it prints, on
// standard output when it succeeds and on standard error when it refuses.
class SimulatorCommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void answersEachCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
        constexpr int refused = 2;
        QTest::newRow("help explains --link")
            << QStringList {"--link", "x", "-h"} << 0 << "WENDALINK_COM1=PATH";
        QTest::newRow("version") << QStringList {"--version"} << 0
                                 << "wendalink-sim " PELSADO_VERSION_STRING "\n";
        QTest::newRow("unknown option last")
            << QStringList {"--link", "x", "--lnk"} << refused << "unknown option --lnk\n";
        QTest::newRow("value missing")
            << QStringList {"--link"} << refused << "missing value for --link";
    }

    void answersEachCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QProcess simulator;
        simulator.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/wendalink-sim"), arguments);
        QVERIFY(simulator.waitForFinished());
        QCOMPARE(simulator.exitCode(), exitCode);
        const QByteArray output
            = exitCode == 0 ? simulator.readAllStandardOutput() : simulator.readAllStandardError();
        QVERIFY2(output.contains(printed.toUtf8()), output.constData());
    }
};

QTEST_MAIN(SimulatorCommandLineTest)
#include "tst_simulatorcommandline.moc"
