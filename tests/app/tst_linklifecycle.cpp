#include "bootsettings.h"
#include "linklifecycle.h"
#include "module3.h"
#include "recordinglinklibrary.h"
#include "recordingmessages.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString baseFound = QString::fromLatin1(LinkLifecycle::baseFoundText);
const QString baseNotFound = QString::fromLatin1(LinkLifecycle::baseNotFoundText);

// A settings store in a temporary INI file, never the user's own.
struct TemporaryStore
{
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("boot.ini"));

    std::unique_ptr<BootSettings> open() const
    {
        return std::make_unique<BootSettings>(
            std::make_unique<QSettings>(path, QSettings::IniFormat));
    }
    void put(const QString &key, const QString &value) const
    {
        QSettings(path, QSettings::IniFormat).setValue(key, value);
    }
    QStringList keys() const { return QSettings(path, QSettings::IniFormat).allKeys(); }
};

} // namespace

class LinkLifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpCallsAndTellsInOrder_data()
    {
        QTest::addColumn<QString>("comPort"); // empty: not in the store
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<int>("initializeResult");
        QTest::addColumn<int>("radioInitResult");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("closeCall");

        QTest::newRow("empty store, base found")
            << QString() << QString() << 0 << 0
            << QStringList {"InitializeComm(1, 19200)", "radio_set_baudrate(19200)",
                   "radio_init(1, 1, 65535, 0)"}
            << QStringList {baseFound} << "radio_close()";
        QTest::newRow("Com10 passes port 0")
            << "Com10"
            << "9600" << 0 << 0
            << QStringList {"InitializeComm(0, 9600)", "radio_set_baudrate(9600)",
                   "radio_init(0, 1, 65535, 0)"}
            << QStringList {baseFound} << "radio_close()";
        QTest::newRow("baud abc passes 0")
            << "Com2"
            << "abc" << 0 << 1
            << QStringList {"InitializeComm(2, 0)", "radio_set_baudrate(0)",
                   "radio_init(2, 1, 65535, 0)"}
            << QStringList {baseNotFound} << "TerminateComm(2)";
        QTest::newRow("port does not open: nothing shown, nothing else called")
            << "Com3"
            << "19200" << 1 << 0 << QStringList {"InitializeComm(3, 19200)"} << QStringList {}
            << "TerminateComm(3)";
        QTest::newRow("base station silent")
            << "Com4"
            << "38400" << 0 << -5
            << QStringList {"InitializeComm(4, 38400)", "radio_set_baudrate(38400)",
                   "radio_init(4, 1, 65535, 0)"}
            << QStringList {baseNotFound} << "TerminateComm(4)";
    }
    void startUpCallsAndTellsInOrder()
    {
        QFETCH(QString, comPort);
        QFETCH(QString, baudRate);
        QFETCH(int, initializeResult);
        QFETCH(int, radioInitResult);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, shown);
        QFETCH(QString, closeCall);

        TemporaryStore store;
        if (!comPort.isEmpty()) {
            store.put(QStringLiteral("Boot/ComPort"), comPort);
            store.put(QStringLiteral("Boot/BaudRate"), baudRate);
        }
        const QStringList keysBefore = store.keys();
        auto boot = store.open();
        Module3 settings;
        RecordingLinkLibrary link;
        link.initializeCommResult = initializeResult;
        link.radioInitResult = radioInitResult;
        RecordingMessages messages;
        // The mode must be settled before the message box opens, since ticks
        // go on while it is shown.
        QList<bool> modeWhileShown;
        messages.onShow = [&](const QString &) {
            modeWhileShown << settings.baseStationMode();
        };
        LinkLifecycle lifecycle(settings, link, messages, *boot);

        lifecycle.start();
        QCOMPARE(link.log, calls);
        QCOMPARE(messages.shown, shown);
        QCOMPARE(settings.BaseFound,
            radioInitResult == 0 && initializeResult == 0 ? Module3::trueValue
                                                          : Module3::falseValue);
        for (bool mode : modeWhileShown)
            QCOMPARE(mode, settings.baseStationMode());

        link.log.clear();
        lifecycle.close();
        QCOMPARE(link.log, QStringList {closeCall});

        boot.reset();
        QCOMPARE(store.keys(), keysBefore);
    }
};

QTEST_MAIN(LinkLifecycleTest)
#include "tst_linklifecycle.moc"
