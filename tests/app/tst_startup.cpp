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
        QTest::addColumn<QString>("text"); // what the answer holds
        QTest::newRow("nothing") << QStringList() << -1 << "";
        QTest::newRow("--version") << QStringList {"--version"} << 0 << "Pelsado 1.";
        QTest::newRow("--help lists the commands")
            << QStringList {"--help"} << 0
            << " [options] [serve [--port PORT] [--baud RATE] FILE | save-all FILE]\n";
        QTest::newRow("unknown option") << QStringList {"--port=3"} << 2 << "Unknown option 'port'";
        QTest::newRow("an argument") << QStringList {"file.cfg"} << 2 << "Unexpected argument";
    }
    void commandLineIsAnsweredWithoutTheWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        setApplicationIdentity();
        arguments.prepend(QStringLiteral("pelsado"));
        const auto early = answerInformationRequest(arguments);
        QCOMPARE(early ? early->exitCode : -1, exitCode == 0 ? 0 : -1);
        QCommandLineParser parser;
        const auto answer = early ? early : answerCommandLine(parser, arguments);
        QCOMPARE(answer ? answer->exitCode : -1, exitCode);
        if (answer)
            QVERIFY2(answer->text.contains(text), qPrintable(answer->text));
    }

    // A command comes first; its file is required, and --port and --baud are
    // serve's alone.
    void headlessCommandLineIsReadOrRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("outcome"); // the command read, or how its refusal begins
        QTest::newRow("serve with port and baud") << QStringList {"serve", "--baud", "9600",
            "--port=Com2", "site.cfg"} << "serve site.cfg Com2 9600";
        QTest::newRow("save-all") << QStringList {"save-all", "site.cfg"}
                                  << "save-all site.cfg - -";
        QTest::newRow("no file") << QStringList {"serve"}
                                 << "serve needs the name of a configuration file.";
        QTest::newRow("two files")
            << QStringList {"save-all", "a.cfg", "b.cfg"} << "Unexpected argument \"b.cfg\".";
        QTest::newRow("save-all with a port")
            << QStringList {"save-all", "--port", "2", "a.cfg"} << "save-all opens no port";
        QTest::newRow("unknown option")
            << QStringList {"serve", "--bogus", "a.cfg"} << "Unknown option 'bogus'.";
    }
    void headlessCommandLineIsReadOrRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, outcome);
        arguments.prepend(QStringLiteral("pelsado"));
        QVERIFY(HeadlessCommandLine::namesCommand(arguments));
        const auto answer = answerHeadlessCommandLine(arguments);
        if (const auto *refusal = std::get_if<CommandLineAnswer>(&answer)) {
            QCOMPARE(refusal->exitCode, CommandLineAnswer::usageError);
            QVERIFY2(refusal->text.startsWith(outcome), qPrintable(refusal->text));
            return;
        }
        const auto &command = std::get<HeadlessCommand>(answer);
        const QString read
            = QStringList {command.kind == HeadlessCommand::Kind::Serve ? "serve" : "save-all",
                command.file, command.comPort.value_or("-"), command.baudRate.value_or("-")}
                  .join(u' ');
        QCOMPARE(read, outcome);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
