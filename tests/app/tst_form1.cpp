#include "bootsettings.h"
#include "filedialog.h"
#include "form1.h"
#include "form2.h"
#include "linklifecycle.h"
#include "module3.h"
#include "recordinglinklibrary.h"
#include "recordingmessages.h"
#include "terminalpoller.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Answers the file dialog with a name given in advance.
class ScriptedFileDialog final : public FileDialog
{
public:
    std::optional<QString> answer;
    std::optional<QString> askOpen() override { return answer; }
    std::optional<QString> askSave() override { return answer; }
};

// The main window over recording fakes and a temporary settings store.
struct WindowRig
{
    QTemporaryDir folder;
    BootSettings store {std::make_unique<QSettings>(
        folder.filePath(QStringLiteral("boot.ini")), QSettings::IniFormat)};
    Module3 settings;
    RecordingLinkLibrary link;
    RecordingMessages messages;
    ScriptedFileDialog fileDialog;
    std::unique_ptr<Form1> window
        = std::make_unique<Form1>(settings, link, messages, store, &fileDialog);

    template<typename Child>
    Child *child(const char *name) const
    {
        return window->findChild<Child *>(QString::fromLatin1(name));
    }
    QString trace() const { return child<QLineEdit>("Text11")->text(); }
};

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void captionCarriesTheVersionWithLeadingBlanks()
    {
        QCOMPARE(Form1::versionCaption(1, 0, 2), QStringLiteral("Halvek Pelsado  1. 0. 2"));
        QCOMPARE(Form1::versionCaption(12, 3, 45), QStringLiteral("Halvek Pelsado  12. 3. 45"));

        WindowRig rig;
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Halvek Laser Configuration"));
        rig.window->load();
        QCOMPARE(rig.window->windowTitle(),
            Form1::versionCaption(
                PELSADO_VERSION_MAJOR, PELSADO_VERSION_MINOR, PELSADO_VERSION_PATCH));
    }

    void pollsFromCreationBeforeTheLoadHandler()
    {
        WindowRig rig;
        auto *timer = rig.child<QTimer>("Timer1");
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 100);
        // Ticks go on while the start-up message is open.
        QTRY_VERIFY(
            rig.link.log.contains(QStringLiteral("Get_Message(0, 100000, 0, \"        \")")));
    }

    void exitAndCloseBoxCloseTheLinkAlike_data()
    {
        QTest::addColumn<bool>("byExit");
        QTest::addColumn<int>("radioInitResult");
        QTest::addColumn<QString>("closeCall");
        QTest::newRow("Exit, base mode") << true << 0 << "radio_close()";
        QTest::newRow("close box, base mode") << false << 0 << "radio_close()";
        QTest::newRow("Exit, serial mode") << true << 1 << "TerminateComm(1)";
        QTest::newRow("close box, serial mode") << false << 1 << "TerminateComm(1)";
    }
    void exitAndCloseBoxCloseTheLinkAlike()
    {
        QFETCH(bool, byExit);
        QFETCH(int, radioInitResult);
        QFETCH(QString, closeCall);
        WindowRig rig;
        rig.link.radioInitResult = radioInitResult;
        rig.window->load();
        rig.window->show();
        rig.link.log.clear();
        if (byExit)
            rig.child<QAction>("Exit")->trigger();
        else
            rig.window->close();
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.link.log, QStringList {closeCall});
        QVERIFY(!rig.child<QTimer>("Timer1")->isActive());
    }

    void layoutFollowsTheTwipPlaces()
    {
        WindowRig rig;
        QCOMPARE(rig.window->centralWidget()->size(), QSize(919, 611));
        QCOMPARE(rig.child<QFrame>("Frame1")->geometry(), QRect(0, 0, 905, 505));
        QCOMPARE(rig.child<QPushButton>("Command2")->geometry(), QRect(712, 512, 193, 49));
        QCOMPARE(rig.child<QLineEdit>("Text11")->geometry(), QRect(0, 584, 745, 19));
        QCOMPARE(rig.child<QPushButton>("Command1")->geometry(), QRect(752, 584, 153, 17));
        QVERIFY(rig.child<QPushButton>("Command2")->font().bold());
        QVERIFY(!rig.child<QPushButton>("Command1")->font().bold());
    }

    void menuHasNoAccessKeys()
    {
        WindowRig rig;
        QStringList captions;
        for (QAction *action : rig.window->menuBar()->actions()) {
            captions << action->text();
            if (action->menu())
                for (QAction *item : action->menu()->actions())
                    captions << item->text();
        }
        QCOMPARE(captions, (QStringList {"File", "Load", "Save", "Exit", "Serial Configurations"}));
        QCOMPARE(rig.child<QMenu>("File")->title(), QStringLiteral("File"));
    }

    void updateRewritesOnlyTheTrace()
    {
        WindowRig rig;
        rig.link.log.clear();
        rig.window->setCheckState(1, OptionPanel::checked);
        rig.child<QPushButton>("Command1")->click();
        QCOMPARE(rig.trace(), QStringLiteral(", 82, 65, 0, 0, 0"));
        rig.child<QPushButton>("Command1")->click();
        QCOMPARE(rig.trace(), QStringLiteral(", 82, 65, 0, 0, 0"));
        rig.window->setCheckState(1, OptionPanel::unchecked);
        rig.child<QPushButton>("Command1")->click();
        QCOMPARE(rig.trace(), QString());
        for (const QString &call : std::as_const(rig.link.log))
            QVERIFY2(call.startsWith(QLatin1String("Get_Message")), qPrintable(call));
    }

    void fileCommandsMoveTheStatesThroughTheDialog()
    {
        WindowRig rig;
        const QString path = rig.folder.filePath(QStringLiteral("options"));
        rig.fileDialog.answer = path;
        rig.window->setCheckState(3, OptionPanel::checked);
        rig.window->setLengthText(1, QStringLiteral("123"));
        rig.child<QAction>("Save")->trigger();
        QVERIFY(QFile::exists(path));
        QCOMPARE(rig.window->checkState(56), OptionPanel::checked);

        WindowRig other;
        other.fileDialog.answer = path;
        other.child<QAction>("Load")->trigger();
        QCOMPARE(other.window->checkState(3), OptionPanel::checked);
        QCOMPARE(other.window->checkState(56), OptionPanel::checked);
        QCOMPARE(other.window->checkState(4), OptionPanel::unchecked);
        // A loaded text longer than the typing limit is kept whole.
        QCOMPARE(other.window->lengthText(1), QStringLiteral("123"));
        QVERIFY(other.messages.shown.isEmpty());
    }

    void serialConfigurationsOpensOneDialogAndKeepsWhatWasTyped()
    {
        WindowRig rig;
        rig.window->load();
        rig.child<QAction>("SerialConf")->trigger();
        QPointer<Form2> dialog = rig.window->serialDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->parentWidget());
        QCOMPARE(dialog->comPortField()->currentText(), QStringLiteral("1"));
        dialog->comPortField()->setEditText(QStringLiteral("Com4"));

        rig.child<QAction>("SerialConf")->trigger();
        QCOMPARE(rig.window->serialDialog(), dialog.data());
        QCOMPARE(dialog->comPortField()->currentText(), QStringLiteral("Com4"));

        // The window stays usable and keeps polling while the dialog is open.
        QVERIFY(rig.child<QTimer>("Timer1")->isActive());
        rig.window->close();
        QTRY_VERIFY(!dialog);
    }
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
