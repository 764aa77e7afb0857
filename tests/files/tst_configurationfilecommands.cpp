#include "conffiletestsupport.h"
#include "configurationfilecommands.h"
#include "filedialog.h"
#include "recordingmessages.h"
#include "testregistry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers each showing with the next scripted path, or cancels when none is left.
class ScriptedFileDialog final : public FileDialog
{
public:
    QStringList answers;
    QStringList forms; // "open" or "save", one per showing

    std::optional<QString> askOpen() override { return answer(QStringLiteral("open")); }
    std::optional<QString> askSave() override { return answer(QStringLiteral("save")); }

private:
    std::optional<QString> answer(const QString &form)
    {
        forms << form;
        return answers.isEmpty() ? std::nullopt : std::optional<QString>(answers.takeFirst());
    }
};

struct Setup
{
    QTemporaryDir folder;
    MemoryOptionPanel panel = filledPanel(OptionPanel::greyed, QStringLiteral("typed"));
    ScriptedFileDialog dialog;
    RecordingMessages messages;
    ConfigurationFileCommands commands {panel, dialog, messages};

    void run(const QString &command) { command == "load" ? commands.load() : commands.save(); }
    QString path(const QString &name) const { return folder.filePath(name); }
};

} // namespace

class ConfigurationFileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void cancelChangesNothing_data()
    {
        QTest::addColumn<QString>("earlierCommand"); // answered with earlier.cfg
        QTest::addColumn<QString>("cancelledCommand");
        QTest::newRow("load before any file") << ""
                                              << "load";
        QTest::newRow("save before any file") << ""
                                              << "save";
        QTest::newRow("save after a load") << "load"
                                           << "save";
        QTest::newRow("save after a save") << "save"
                                           << "save";
    }
    void cancelChangesNothing()
    {
        QFETCH(QString, earlierCommand);
        QFETCH(QString, cancelledCommand);
        Setup setup;
        const QString earlier = setup.path(QStringLiteral("earlier.cfg"));
        QVERIFY(writeFile(earlier, joined(sampleLines(QStringLiteral(" 0 ")))));
        if (!earlierCommand.isEmpty()) {
            setup.dialog.answers << earlier;
            setup.run(earlierCommand);
        }
        const QString panelBefore = describe(setup.panel);
        const QByteArray fileBefore = fileBytes(earlier);

        setup.run(cancelledCommand);
        QCOMPARE(setup.dialog.forms.last(), cancelledCommand == "load" ? "open" : "save");
        QCOMPARE(describe(setup.panel), panelBefore);
        QCOMPARE(fileBytes(earlier), fileBefore);
        QCOMPARE(QDir(setup.folder.path()).entryList(QDir::Files), QStringList {"earlier.cfg"});
        QCOMPARE(setup.messages.shown, QStringList());
    }

    void loadSetsControlsAndBuildsNothing()
    {
        Setup setup;
        QVERIFY(writeFile(setup.path(QStringLiteral("a.cfg")), joined(sampleLines())));
        setup.panel.setCommandTrace(QStringLiteral(", 90, 65, 0, 0, 0"));
        setup.dialog.answers << setup.path(QStringLiteral("a.cfg"));

        setup.commands.load();
        QCOMPARE(describe(setup.panel), describe(filledPanel(OptionPanel::checked)));
        QCOMPARE(setup.panel.commandTrace(), QStringLiteral(", 90, 65, 0, 0, 0"));
        QCOMPARE(setup.messages.shown, QStringList());
    }

    void saveUsesTheChosenNameWithoutAddingAnExtension()
    {
        Setup setup;
        setup.dialog.answers << setup.path(QStringLiteral("settings"));
        setup.commands.save();
        QCOMPARE(QDir(setup.folder.path()).entryList(QDir::Files), QStringList {"settings"});
        QCOMPARE(setup.dialog.forms, QStringList {"save"});
        QCOMPARE(setup.panel.checkState(ConfFile::factoryResetCheck), OptionPanel::checked);
        QCOMPARE(setup.messages.shown, QStringList());
    }

    void failureIsShownAsOneMessage_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("load of a missing file, %1 in its name")
            << "load"
            << "absent %1.cfg"
            << "absent %1.cfg: the file cannot be opened (No such file or directory)";
        QTest::newRow("save into a missing folder")
            << "save"
            << "absent/x.cfg"
            << "x.cfg: the file cannot be created (No such file or directory)";
    }
    void failureIsShownAsOneMessage()
    {
        QFETCH(QString, command);
        QFETCH(QString, name);
        QFETCH(QString, message);
        Setup setup;
        setup.dialog.answers << setup.path(name);
        setup.run(command);
        QCOMPARE(setup.messages.shown, QStringList {message});
    }
};

PELSADO_REGISTER_TEST(ConfigurationFileCommandsTest);
#include "tst_configurationfilecommands.moc"
