#include "bootsettings.h"
#include "form1.h"
#include "form2.h"
#include "linklibraryfactory.h"
#include "linklifecycle.h"
#include "module3.h"
#include "recordingmessages.h"
#include "simulatorprocess.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <pugixml.hpp>

namespace {

constexpr int answerTimeoutMs = 5000;
// Long enough for many polling ticks: what has not happened by then is not
// going to happen.
constexpr int quietPeriodMs = 800;

const QString baseFound = QString::fromLatin1(LinkLifecycle::baseFoundText);
const QString baseNotFound = QString::fromLatin1(LinkLifecycle::baseNotFoundText);
const QString config = QStringLiteral("config ");

// The real window over the real stand-in library (found beside this test's
// executable, as the tool finds it beside its own), with a simulator on the
// other end of COM1.
struct Station
{
    QTemporaryDir folder;
    QString linkPath = folder.filePath(QStringLiteral("com1"));
    QString storePath = folder.filePath(QStringLiteral("store.xml"));
    BootSettings store {std::make_unique<QSettings>(
        folder.filePath(QStringLiteral("boot.ini")), QSettings::IniFormat)};
    Module3 settings;
    RecordingMessages messages;
    // Once in-process and once through the link bridge, as the build could choose.
    std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages,
        qEnvironmentVariable("PELSADO_TEST_LINK") == QLatin1String("bridge")
            ? LinkLoading::Bridge
            : LinkLoading::InProcess);
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<Form1> window;

    explicit Station(const QString &mode)
    {
        qputenv("WENDALINK_COM1", linkPath.toLocal8Bit());
        qputenv("WENDALINK_STORE", storePath.toLocal8Bit());
        simulator = std::make_unique<SimulatorProcess>(linkPath, mode);
        window = std::make_unique<Form1>(settings, *link, messages, store);
        if (simulator->isReady())
            window->load();
    }
    // The window goes first (members end in reverse order), with its link closed.
    ~Station() { window->close(); }

    void check(int checkNumber) { window->setCheckState(checkNumber, OptionPanel::checked); }
    void clickButton(const char *name)
    {
        QTest::mouseClick(
            window->findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    // The PELSADOIG elements under TERMINAL in the store file, in file order.
    QStringList storedRecords() const
    {
        pugi::xml_document document;
        QStringList names;
        if (!document.load_file(storePath.toLocal8Bit().constData()))
            return {QStringLiteral("no store")};
        for (const pugi::xpath_node &node : document.select_nodes("//TERMINAL/*"))
            names << QString::fromLatin1(node.node().name());
        return names;
    }
};

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void baseStationGetsTheExactListForTheAskingTerminal()
    {
        Station station(QStringLiteral("base"));
        QVERIFY(station.simulator->isReady());
        QCOMPARE(station.messages.shown, QStringList {baseFound});
        station.check(1); // RA
        station.check(19); // UE with Text1
        station.window->setLengthText(1, QStringLiteral("5"));

        station.simulator->send(QStringLiteral("request 3"));
        QTRY_COMPARE_WITH_TIMEOUT(station.simulator->linesStartingWith(config),
            QStringList {QStringLiteral("config 3 52410000005545303500 RA UE05")}, answerTimeoutMs);
        QCOMPARE(station.messages.shown, QStringList {baseFound});
    }

    void serialTerminalGetsTheListForLaserReset()
    {
        Station station(QStringLiteral("serial"));
        QVERIFY(station.simulator->isReady());
        QCOMPARE(station.messages.shown, QStringList {baseNotFound});
        station.check(56); // ZA
        station.check(2); // RC

        station.simulator->send(QStringLiteral("request 1 LASER RESET"));
        QTRY_COMPARE_WITH_TIMEOUT(station.simulator->linesStartingWith(config),
            QStringList {QStringLiteral("config 1 5a410000005243000000 ZA RC")}, answerTimeoutMs);
        QCOMPARE(station.messages.shown, QStringList {baseNotFound});
    }

    void saveForAllTerminalsLeavesExactlyTheCurrentRecords()
    {
        Station station(QStringLiteral("base"));
        for (int checkNumber : {1, 2, 3, 4, 6})
            station.check(checkNumber);
        station.clickButton("Command2");
        QCOMPARE(station.storedRecords(),
            (QStringList {"PELSADOIG1", "PELSADOIG2", "PELSADOIG3", "PELSADOIG4", "PELSADOIG5"}));

        for (int checkNumber : {2, 3, 4, 6})
            station.window->setCheckState(checkNumber, OptionPanel::unchecked);
        station.clickButton("Command2");
        QCOMPARE(station.storedRecords(), QStringList {QStringLiteral("PELSADOIG1")});
    }

    void hangupLeavesTheToolQuietAndOkReopensTheLink()
    {
        Station station(QStringLiteral("base"));
        station.check(1);
        station.simulator->send(QStringLiteral("hangup"));
        QTest::qWait(quietPeriodMs);
        QCOMPARE(station.messages.shown, QStringList {baseFound});

        // A new base station on the same line; the dialog's OK opens it again.
        station.simulator.reset(); // it removes its link when it ends
        station.simulator
            = std::make_unique<SimulatorProcess>(station.linkPath, QStringLiteral("base"));
        QVERIFY(station.simulator->isReady());
        station.window->findChild<QAction *>(QStringLiteral("SerialConf"))->trigger();
        Form2 *dialog = station.window->serialDialog();
        QVERIFY(dialog);
        QTest::mouseClick(
            dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(station.messages.shown, (QStringList {baseFound, baseFound}));

        station.simulator->send(QStringLiteral("request 2"));
        QTRY_COMPARE_WITH_TIMEOUT(station.simulator->linesStartingWith(config),
            QStringList {QStringLiteral("config 2 5241000000 RA")}, answerTimeoutMs);
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
