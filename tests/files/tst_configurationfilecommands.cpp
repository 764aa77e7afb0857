#include "conffiletestsupport.h"
#include "configurationfilecommands.h"
#include "filedialog.h"
#include "recordingmessages.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers each form of the dialog with its own name; none means the operator cancels.
struct ScriptedFileDialog final : FileDialog
{
    std::optional<QString> openAnswer;
    std::optional<QString> saveAnswer;

    std::optional<QString> askOpen() override { return openAnswer; }
    std::optional<QString> askSave() override { return saveAnswer; }
};

} // namespace

class ConfigurationFileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void cancelIsSilentAndFailureIsOneMessage()
    {
        QTemporaryDir folder;
        MemoryOptionPanel panel = filledPanel(OptionPanel::greyed, QStringLiteral("typed"));
        const QString before = describe(panel);
        ScriptedFileDialog dialog;
        RecordingMessages messages;
        ConfigurationFileCommands commands(panel, dialog, messages);

        commands.load();
        commands.save();
        QCOMPARE(messages.shown, QStringList());
        dialog.openAnswer = folder.filePath(QStringLiteral("absent %1.cfg"));
        dialog.saveAnswer = folder.filePath(QStringLiteral("absent/x.cfg"));
        commands.load();
        commands.save();
        QCOMPARE(messages.shown,
            (QStringList {"absent %1.cfg: the file cannot be opened (No such file or directory)",
                "x.cfg: the file cannot be created (No such file or directory)"}));
        QCOMPARE(describe(panel), before); // Check56 included
    }
};

QTEST_MAIN(ConfigurationFileCommandsTest)
#include "tst_configurationfilecommands.moc"
