#include "commondialog.h"
#include "configurationfilecommands.h"
#include "goldentexts.h"
#include "memoryoptionpanel.h"
#include "recordingmessages.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class ConfigurationFileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void cancelIsSilentFailureIsOneMessageAndOnlyAChosenNameComesBack()
    {
        QTemporaryDir folder;
        const QString empty = folder.filePath(QStringLiteral("empty.cfg"));
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly)); // not a configuration file
        QWidget mainWindow;
        CommonDialog dialog(&mainWindow);
        MemoryOptionPanel panel;
        RecordingMessages messages;
        ConfigurationFileCommands commands(panel, dialog, messages);
        QStringList proposed;
        // Answers the next showing: notes the name it proposes, types `typed`
        // over it, then accepts or cancels.
        const auto answer = [&](const QString &typed, bool accept) {
            QTimer::singleShot(0, &mainWindow, [&, typed, accept] {
                auto *shown = mainWindow.findChild<QFileDialog *>(QStringLiteral("CommonDialog1"));
                auto *name = shown->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                proposed << name->text();
                name->setText(typed);
                accept ? static_cast<QDialog *>(shown)->accept() : shown->reject();
            });
        };

        answer(folder.filePath(QStringLiteral("typed.cfg")), false);
        commands.save();
        answer(empty, true);
        commands.load();
        answer(QStringLiteral("other.cfg"), false);
        commands.load();
        answer(QStringLiteral("again.cfg"), false);
        commands.save();
        QCOMPARE(proposed, QStringList({"", "", "empty.cfg", "empty.cfg"}));
        QCOMPARE(messages.shown,
            QStringList {
                GoldenTexts::text("fileEndsEarly", {{"file", "empty.cfg"}, {"line", "1"}})});
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"empty.cfg"}));
        QCOMPARE(panel.checkState(56), OptionPanel::unchecked);
    }
};

QTEST_MAIN(ConfigurationFileCommandsTest)
#include "tst_configurationfilecommands.moc"
