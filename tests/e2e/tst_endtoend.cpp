#include "bootsettings.h"
#include "configurationfile.h"
#include "form1.h"
#include "goldentexts.h"
#include "linklibraryfactory.h"
#include "module3.h"
#include "recordingmessages.h"
#include "simulatorprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int waitMs = 5000;
const QString config = QStringLiteral("config ");

// tests/data/known-panel.cfg as every terminal must receive it: ZA (Check56),
// RC (Check2), OF (Check33), RB (Check60); Check17 is greyed and does not count.
const QString knownPanel = QStringLiteral(PELSADO_TEST_DATA_DIR "/known-panel.cfg");
const QString knownPanelReply
    = QStringLiteral("5a4100000052430000004f460000005242000000 ZA RC OF RB");

// A configuration file with the given boxes checked and every length field empty.
void writeConfiguration(const QString &path, const QList<int> &checked)
{
    QByteArray bytes;
    for (int check = 1; check <= ConfigurationFile::checkLineCount; ++check)
        bytes += checked.contains(check) ? " 1 \r\n" : " 0 \r\n";
    bytes += QByteArray("\r\n").repeated(ConfigurationFile::textLineCount);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("no file");
}

// The PELSADOIG elements of the store file, in file order.
QStringList storedRecords(const QString &path)
{
    static const QRegularExpression record(QStringLiteral("<(PELSADOIG\\d+)>"));
    QStringList names;
    for (const auto &match : record.globalMatch(QString::fromLatin1(fileBytes(path))))
        names << match.captured(1);
    return names;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// The stand-in's serial port holds its line exclusively while it is open and
// lets go when it is closed; a process that merely ends leaves the hold, as
// the simulator keeps the line open.
bool lineHeldExclusively(const QString &linkPath)
{
    const int line = ::open(linkPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line < 0)
        return errno == EBUSY; // what anyone but the superuser gets
    int held = 0;
    const bool asked = ::ioctl(line, TIOCGEXCL, &held) == 0;
    ::close(line);
    return asked && held != 0;
}

// The simulator's line as COM1 and the shared configuration store in a
// temporary folder, for the window in this process and for `pelsado` started
// without a display, with its own settings. Once in-process and once through
// the link bridge: pelsado-bridged runs the commands through it.
struct Site
{
    QTemporaryDir folder;
    QString linkPath = folder.filePath(QStringLiteral("com1"));
    QString storePath = folder.filePath(QStringLiteral("store.xml"));
    QString settingsPath = folder.filePath(QStringLiteral("Pelsado/Pelsado.conf"));
    bool bridged = qEnvironmentVariable("PELSADO_TEST_LINK") == QLatin1String("bridge");
    std::unique_ptr<SimulatorProcess> simulator;
    QProcess process;
    QString log;
    qsizetype logSeen = 0;

    Site()
    {
        qputenv("WENDALINK_COM1", linkPath.toLocal8Bit());
        qputenv("WENDALINK_STORE", storePath.toLocal8Bit());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
            {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError); // the log
    }
    ~Site()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(waitMs);
        }
    }

    bool startSimulator(const QString &mode)
    {
        simulator = std::make_unique<SimulatorProcess>(linkPath, mode);
        return simulator->isReady();
    }
    void start(const QStringList &arguments)
    {
        process.start(QCoreApplication::applicationDirPath()
                + (bridged ? QStringLiteral("/pelsado-bridged") : QStringLiteral("/pelsado")),
            arguments);
    }
    // Runs a command to its end; its exit code, or -1 when it did not end.
    int run(const QStringList &arguments)
    {
        start(arguments);
        return process.waitForFinished(waitMs) && process.exitStatus() == QProcess::NormalExit
            ? process.exitCode()
            : -1;
    }
    void signal(int number) { ::kill(pid_t(process.processId()), number); }
    // Whether `text` is logged within the wait; the log up to it is used up.
    bool waitForLog(const QString &text)
    {
        const QDeadlineTimer deadline(waitMs);
        for (;;) {
            log += QString::fromLocal8Bit(process.readAllStandardError());
            if (const qsizetype at = log.indexOf(text, logSeen); at >= 0) {
                logSeen = at + text.size();
                return true;
            }
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(int(deadline.remainingTime()));
        }
    }
};

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    // The window's button leaves exactly the current records; over an earlier,
    // longer save with an element of someone else's, save-all leaves the store
    // byte for byte as the button does.
    void savingForAllTerminalsLeavesExactlyTheCurrentRecords()
    {
        QByteArray earlier = "<?xml version=\"1.0\"?>\n<wendalink-store><TERMINAL>";
        for (int record = 1; record <= 25; ++record)
            earlier += QStringLiteral("<PELSADOIG%1>RA</PELSADOIG%1>").arg(record).toLatin1();
        earlier += "</TERMINAL><SITE>kept</SITE></wendalink-store>\n";
        Site site;
        RecordingMessages messages;
        const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(
            messages, site.bridged ? LinkLoading::Bridge : LinkLoading::InProcess);
        BootSettings settingsStore {std::make_unique<QSettings>(
            site.folder.filePath(QStringLiteral("boot.ini")), QSettings::IniFormat)};
        Module3 settings;
        Form1 window(settings, *link, messages, settingsStore);
        auto *const saveForAllTerminals
            = window.findChild<QPushButton *>(QStringLiteral("Command2"));

        for (int checkNumber : {1, 2, 3, 4, 6})
            window.setCheckState(checkNumber, OptionPanel::checked);
        QTest::mouseClick(saveForAllTerminals, Qt::LeftButton);
        QCOMPARE(storedRecords(site.storePath),
            (QStringList {"PELSADOIG1", "PELSADOIG2", "PELSADOIG3", "PELSADOIG4", "PELSADOIG5"}));
        for (int checkNumber : {2, 3, 4, 6})
            window.setCheckState(checkNumber, OptionPanel::unchecked);
        QTest::mouseClick(saveForAllTerminals, Qt::LeftButton);
        QCOMPARE(storedRecords(site.storePath), QStringList {QStringLiteral("PELSADOIG1")});

        QVERIFY(writeFile(site.storePath, earlier));
        QVERIFY(readconffile(window, knownPanel).succeeded());
        QTest::mouseClick(saveForAllTerminals, Qt::LeftButton);
        const QByteArray savedByWindow = fileBytes(site.storePath);
        QVERIFY(writeFile(site.storePath, earlier));
        QCOMPARE(site.run({QStringLiteral("save-all"), knownPanel}), 0);
        QCOMPARE(fileBytes(site.storePath), savedByWindow);
        QVERIFY(messages.shown.isEmpty());
    }

    // serve answers a serial terminal as the window does; the command line's
    // port is used, not stored; SIGTERM closes the link and lets go of the line.
    void serveAnswersAsTheWindowAndClosesTheLinkOnSigterm()
    {
        Site site;
        QSettings stored(site.settingsPath, QSettings::IniFormat);
        stored.setValue(QStringLiteral("Boot/ComPort"), QStringLiteral("Com7"));
        stored.sync();
        QVERIFY(site.startSimulator(QStringLiteral("serial")));
        QVERIFY(!lineHeldExclusively(site.linkPath));

        site.start({QStringLiteral("serve"), QStringLiteral("--port"), QStringLiteral("Com1"),
            QStringLiteral("--baud"), QStringLiteral("9600"), knownPanel});
        QVERIFY(site.waitForLog(QStringLiteral("pelsado.link: link on port 1 (\"Com1\") at 9600 "
                                               "baud: no base station, serial message mode")));
        site.simulator->send(QStringLiteral("request 2 LASER RESET"));
        QVERIFY(site.simulator->waitForLine(QStringLiteral("config 2 ") + knownPanelReply));
        QVERIFY(lineHeldExclusively(site.linkPath));

        site.signal(SIGTERM);
        QVERIFY(site.process.waitForFinished(waitMs));
        QCOMPARE(site.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(site.process.exitCode(), 0);
        QVERIFY(!lineHeldExclusively(site.linkPath));
        QCOMPARE(QSettings(site.settingsPath, QSettings::IniFormat)
                     .value(QStringLiteral("Boot/ComPort")),
            QVariant(QStringLiteral("Com7")));
    }

    // The window would show a message box and go on; so does the log. A file
    // read again is served from then on, one that fails part-way is not.
    void serveLogsARefusalAndTakesTheFileAgainOnSighup()
    {
        Site site;
        const QString file = site.folder.filePath(QStringLiteral("site.cfg"));
        writeConfiguration(file, {1, 2, 3, 4, 5, 6, 7}); // one record more than the radio takes
        QVERIFY(site.startSimulator(QStringLiteral("base")));
        site.start({QStringLiteral("serve"), file});
        QVERIFY(site.waitForLog(QStringLiteral("base station found")));

        site.simulator->send(QStringLiteral("request 1"));
        QVERIFY(site.waitForLog(
            QStringLiteral("pelsado.serve: ") + GoldenTexts::text("tooManyRecords")));

        QVERIFY(QFile::remove(file) && QFile::copy(knownPanel, file));
        site.signal(SIGHUP);
        QVERIFY(site.waitForLog(QStringLiteral("read again: terminals get ZA RC OF RB")));
        site.simulator->send(QStringLiteral("request 2"));
        QVERIFY(site.simulator->waitForLine(QStringLiteral("config 2 ") + knownPanelReply));

        // A file that fails part-way, after other boxes, changes nothing served.
        writeConfiguration(file, {1});
        QVERIFY(QFile::resize(file, ConfigurationFile::checkLineCount * 5));
        site.signal(SIGHUP);
        QVERIFY(site.waitForLog(QStringLiteral(
            "site.cfg, line 61: the file ends before this line; a configuration file has 70 "
            "lines; the options read before stay in force")));
        site.simulator->send(QStringLiteral("request 3"));
        QVERIFY(site.simulator->waitForLine(QStringLiteral("config 3 ") + knownPanelReply));
        QCOMPARE(site.simulator->linesStartingWith(config).size(), 2);
        site.signal(SIGTERM); // closed by the base station's mode, which lets go of the line too
        QVERIFY(site.process.waitForFinished(waitMs));
        QVERIFY(!lineHeldExclusively(site.linkPath));
    }

    // One line on standard error and exit code 1; nothing reaches the store.
    void failureIsOneLineAndExitCode1_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QByteArray>("line");
        const QByteArray missing
            = "missing.cfg: the file cannot be opened (No such file or directory)\n";
        QTest::newRow("serve, no file") << "serve" << false << missing;
        QTest::newRow("save-all, no file") << "save-all" << false << missing;
        QTest::newRow("save-all, a folder where the store should be")
            << "save-all" << true
            << QByteArray("known-panel.cfg: 4 of 4 records were not written to the shared "
                          "configuration store; 17 elements an earlier, longer list may have "
                          "left could not be removed\n");
    }
    void failureIsOneLineAndExitCode1()
    {
        QFETCH(QString, command);
        QFETCH(bool, fileExists);
        QFETCH(QByteArray, line);
        Site site;
        QVERIFY(!fileExists || QDir().mkpath(site.storePath));
        QCOMPARE(
            site.run({command,
                fileExists ? knownPanel : site.folder.filePath(QStringLiteral("missing.cfg"))}),
            1);
        QCOMPARE(site.process.readAllStandardError(), line);
        QVERIFY(!QFileInfo(site.storePath).isFile());
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
