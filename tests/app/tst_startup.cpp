#include "startup.h"

#include <QCommandLineParser>
#include <QTest>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    // The window opens only when the command line asks for nothing else.
    // Help and version are answered before the application object exists.
    void commandLineIsAnsweredWithoutTheWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the window opens
        QTest::addColumn<QString>("textStart");
        QTest::newRow("nothing") << QStringList() << -1 << "";
        QTest::newRow("--version") << QStringList {"--version"} << 0 << "Pelsado 1.";
        QTest::newRow("--help") << QStringList {"--help"} << 0 << "Usage: ";
        QTest::newRow("unknown option") << QStringList {"--port=3"} << 2 << "Unknown option 'port'";
        QTest::newRow("an argument") << QStringList {"file.cfg"} << 2 << "Unexpected argument";
    }
    void commandLineIsAnsweredWithoutTheWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, textStart);
        setApplicationIdentity();
        arguments.prepend(QStringLiteral("pelsado"));
        const auto early = answerInformationRequest(arguments);
        QCOMPARE(early ? early->exitCode : -1, exitCode == 0 ? 0 : -1);
        QCommandLineParser parser;
        const auto answer = answerCommandLine(parser, arguments);
        QCOMPARE(answer ? answer->exitCode : -1, exitCode);
        if (answer)
            QVERIFY2(answer->text.startsWith(textStart), qPrintable(answer->text));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
