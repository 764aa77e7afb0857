#include "commondialog.h"
#include "conffiletestsupport.h"
#include "testregistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
// Far longer than any showing needs; only a failing check waits for it.
constexpr int watchdogPeriodMs = 5000;
const QString cancelled = QStringLiteral("(cancelled)");
} // namespace

class CommonDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogProposesTheLastChosenNameInEitherForm()
    {
        QTemporaryDir folder;
        const QString existing = folder.filePath(QStringLiteral("chosen.cfg"));
        const QString fresh = folder.filePath(QStringLiteral("fresh"));
        QVERIFY(writeFile(existing, "x"));
        QWidget mainWindow;
        CommonDialog dialog(&mainWindow);
        auto *fileDialog = mainWindow.findChild<QFileDialog *>(QStringLiteral("CommonDialog1"));
        QVERIFY(fileDialog);
        QTimer watchdog; // a check that fails must not leave a dialog open
        connect(&watchdog, &QTimer::timeout, [] {
            if (QWidget *open = QApplication::activeModalWidget())
                open->close();
        });
        watchdog.start(watchdogPeriodMs);

        QFileDialog::FileMode fileMode {};
        bool confirmsReplace = false;
        QString proposed;
        const auto answerWith = [&, fileDialog](const QString &name) {
            QTimer::singleShot(0, fileDialog, [&, fileDialog, name] {
                fileMode = fileDialog->fileMode();
                confirmsReplace = fileDialog->acceptMode() == QFileDialog::AcceptSave
                    && !fileDialog->testOption(QFileDialog::DontConfirmOverwrite);
                proposed = fileDialog->selectedFiles().value(0);
                // Typed as the operator does; selectFile() leaves a focused field alone.
                fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
                // QFileDialog's own accept, with its checks, behind QDialog's public one.
                name.isEmpty() ? fileDialog->reject()
                               : static_cast<QDialog *>(fileDialog)->accept();
            });
        };

        answerWith(existing);
        QCOMPARE(dialog.askOpen().value_or(cancelled), existing);
        QCOMPARE(fileMode, QFileDialog::ExistingFile);
        answerWith(QString());
        QCOMPARE(dialog.askSave().value_or(cancelled), cancelled);
        QCOMPARE(fileMode, QFileDialog::AnyFile);
        QVERIFY(confirmsReplace);
        QCOMPARE(proposed, existing);
        answerWith(fresh);
        QCOMPARE(dialog.askSave().value_or(cancelled), fresh);
        answerWith(QString());
        QCOMPARE(dialog.askOpen().value_or(cancelled), cancelled);
        QCOMPARE(fileMode, QFileDialog::ExistingFile);
        QCOMPARE(proposed, fresh);
    }
};

PELSADO_REGISTER_TEST(CommonDialogTest);
#include "tst_commondialog.moc"
