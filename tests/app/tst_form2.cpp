#include "bootsettings.h"
#include "form2.h"
#include "linklifecycle.h"
#include "module3.h"
#include "recordinglinklibrary.h"
#include "recordingmessages.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A dialog over recording fakes and a temporary settings store.
struct DialogRig
{
    QTemporaryDir folder;
    QString storePath = folder.filePath(QStringLiteral("boot.ini"));
    BootSettings store {std::make_unique<QSettings>(storePath, QSettings::IniFormat)};
    Module3 settings;
    RecordingLinkLibrary link;
    RecordingMessages messages;
    LinkLifecycle lifecycle {settings, link, messages, store};
    QPointer<Form2> dialog;

    DialogRig(const QString &comPort, const QString &baudRate, bool baseMode)
    {
        settings.ComPort = comPort;
        settings.BaudRate = baudRate;
        settings.BaseFound = baseMode ? Module3::trueValue : Module3::falseValue;
        dialog = new Form2(settings, lifecycle);
        dialog->show();
    }
    ~DialogRig() { delete dialog; }

    QPushButton *button(const char *name) const
    {
        return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    QStringList storedKeys() const { return QSettings(storePath, QSettings::IniFormat).allKeys(); }
    QString stored(const char *key) const
    {
        return QSettings(storePath, QSettings::IniFormat)
            .value(QString::fromLatin1(key))
            .toString();
    }
};

QStringList items(const QComboBox *combo)
{
    QStringList all;
    for (int i = 0; i < combo->count(); ++i)
        all << combo->itemText(i);
    return all;
}

} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    void showsTheSettingsAsStoredNotAsListItems()
    {
        DialogRig rig(QStringLiteral("1"), QStringLiteral("19 200"), false);
        QCOMPARE(rig.dialog->windowTitle(), QStringLiteral("Serial Configurations"));
        QCOMPARE(rig.dialog->comPortField()->currentText(), QStringLiteral("1"));
        QCOMPARE(rig.dialog->baudRateField()->currentText(), QStringLiteral("19 200"));
        QCOMPARE(items(rig.dialog->comPortField()),
            (QStringList {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6", "Com7", "Com8", "Com9"}));
        QCOMPARE(items(rig.dialog->baudRateField()), (QStringList {"9600", "19200", "38400"}));
        QCOMPARE(rig.dialog->size(), QSize(238, 139));
        QCOMPARE(rig.button("Command1")->geometry(), QRect(168, 96, 57, 25));
        QVERIFY(rig.link.log.isEmpty());
    }

    void okClosesByModeStoresAsTypedAndReopens_data()
    {
        QTest::addColumn<bool>("baseMode");
        QTest::addColumn<QString>("typedPort");
        QTest::addColumn<int>("radioInitResult");
        QTest::addColumn<QStringList>("calls");

        QTest::newRow("base mode, untouched fields")
            << true << QString() << 0
            << QStringList {"radio_close()", "InitializeComm(3, 9600)", "radio_set_baudrate(9600)",
                   "radio_init(3, 1, 65535, 0)"};
        QTest::newRow("serial mode, COM12 typed")
            << false << "COM12" << 0
            << QStringList {"TerminateComm(3)", "InitializeComm(2, 9600)",
                   "radio_set_baudrate(9600)", "radio_init(2, 1, 65535, 0)"};
        QTest::newRow("serial mode, port emptied")
            << false << "" << 0
            << QStringList {"TerminateComm(3)", "InitializeComm(0, 9600)",
                   "radio_set_baudrate(9600)", "radio_init(0, 1, 65535, 0)"};
        QTest::newRow("base mode, base station gone: serial mode after")
            << true << QString() << 1
            << QStringList {"radio_close()", "InitializeComm(3, 9600)", "radio_set_baudrate(9600)",
                   "radio_init(3, 1, 65535, 0)"};
    }
    void okClosesByModeStoresAsTypedAndReopens()
    {
        QFETCH(bool, baseMode);
        QFETCH(QString, typedPort);
        QFETCH(int, radioInitResult);
        QFETCH(QStringList, calls);

        DialogRig rig(QStringLiteral("Com3"), QStringLiteral("9600"), baseMode);
        rig.link.radioInitResult = radioInitResult;
        const QString expectedPort = typedPort.isNull() ? QStringLiteral("Com3") : typedPort;
        if (!typedPort.isNull()) {
            rig.dialog->comPortField()->clearEditText();
            QTest::keyClicks(rig.dialog->comPortField(), typedPort);
        }
        // The new texts are stored before the link is opened again.
        QString storedWhenOpening;
        rig.link.onCall = [&](const QString &call) {
            if (call.startsWith(QLatin1String("InitializeComm")))
                storedWhenOpening = rig.stored("Boot/ComPort");
        };
        QTest::mouseClick(rig.button("Command1"), Qt::LeftButton);

        QCOMPARE(rig.link.log, calls);
        QCOMPARE(storedWhenOpening, expectedPort);
        QCOMPARE(rig.stored("Boot/BaudRate"), QStringLiteral("9600"));
        QCOMPARE(rig.settings.ComPort, expectedPort);
        QCOMPARE(rig.settings.baseStationMode(), radioInitResult == 0);
        QCOMPARE(rig.messages.shown.size(), 1);
        QTRY_VERIFY(!rig.dialog); // closed and gone, so the next opening loads afresh
    }

    void cancelCloseBoxAndKeysChangeNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("close box") << "close";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("Enter") << "enter";
    }
    void cancelCloseBoxAndKeysChangeNothing()
    {
        QFETCH(QString, how);
        DialogRig rig(QStringLiteral("Com3"), QStringLiteral("9600"), true);
        rig.dialog->comPortField()->setEditText(QStringLiteral("Com5"));
        if (how == QLatin1String("cancel"))
            QTest::mouseClick(rig.button("Command2"), Qt::LeftButton);
        else if (how == QLatin1String("close"))
            rig.dialog->close();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(rig.dialog->comPortField(), Qt::Key_Escape);
        else
            QTest::keyClick(rig.dialog->comPortField(), Qt::Key_Return);

        QVERIFY(rig.link.log.isEmpty());
        QVERIFY(rig.storedKeys().isEmpty());
        QCOMPARE(rig.settings.ComPort, QStringLiteral("Com3"));
        const bool closes = how == QLatin1String("cancel") || how == QLatin1String("close");
        if (closes)
            QTRY_VERIFY(!rig.dialog);
        else
            QVERIFY(rig.dialog && rig.dialog->isVisible());
    }
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
