#include "bootsettings.h"
#include "fieldlog.h"
#include "goldentexts.h"
#include "linklifecycle.h"
#include "module3.h"
#include "recordinglinktransport.h"
#include "recordingmessages.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class LinkLifecycleTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_path = m_folder.filePath(QStringLiteral("boot.ini"));
    BootSettings m_store {std::make_unique<QSettings>(m_path, QSettings::IniFormat)};
    Module3 m_settings;
    RecordingLinkLibrary m_link;
    RecordingMessages m_messages;
    LinkLifecycle m_lifecycle {m_settings, m_link, m_messages, m_store};

private slots:
    void initTestCase()
    {
        QVERIFY(!lcLink().isInfoEnabled()); // the field log is quiet unless asked
        QLoggingCategory::setFilterRules(QStringLiteral("pelsado.link.info=true"));
    }
    void init()
    {
        QSettings(m_path, QSettings::IniFormat).clear();
        m_link.restart();
        m_messages = RecordingMessages();
    }

    // Start-up with the stored texts (none: the defaults), then closing by the
    // mode it left.
    void startOpensWithTheStoredTextsAndClosesByMode_data()
    {
        QTest::addColumn<QStringList>("stored"); // port and baud rate texts
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("initializeResult");
        QTest::addColumn<int>("radioInitResult");
        QTest::newRow("nothing stored") << QStringList() << 1 << 19200 << 0 << 0;
        QTest::newRow("Com10: the last digit")
            << QStringList {"Com10", "19 200"} << 0 << 19200 << 0 << 0;
        QTest::newRow("COM12, base silent") << QStringList {"COM12", "96x"} << 2 << 96 << 0 << -5;
        QTest::newRow("beyond 32 bits: 0") << QStringList {"", "99999999999"} << 0 << 0 << 0 << 1;
        QTest::newRow("port does not open")
            << QStringList {"Com3", "9600.5"} << 3 << 9600 << 1 << 0;
    }
    void startOpensWithTheStoredTextsAndClosesByMode()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, port);
        QFETCH(int, baud);
        QFETCH(int, initializeResult);
        QFETCH(int, radioInitResult);
        if (!stored.isEmpty())
            m_store.store(stored[0], stored[1]);
        m_link.initializeCommResult = initializeResult;
        m_link.radioInitResult = radioInitResult;
        const bool opened = initializeResult == 0;
        const bool found = opened && radioInitResult == 0;
        // Settled before the box opens: ticks go on while it is shown.
        m_messages.onShow = [&](const QString &) {
            QCOMPARE(m_settings.baseStationMode(), found);
        };
        QStringList calls {QStringLiteral("InitializeComm(%1, %2)").arg(port).arg(baud)};
        if (opened)
            calls << QStringLiteral("radio_set_baudrate(%1)").arg(baud)
                  << QStringLiteral("radio_init(%1, 1, 65535, 0)").arg(port);
        QTest::ignoreMessage(QtInfoMsg,
            qPrintable(QStringLiteral("link on port %1 (\"%2\") at %3 baud: %4")
                           .arg(port)
                           .arg(stored.value(0, QStringLiteral("1")))
                           .arg(baud)
                           .arg(!opened    ? "the port did not open (result 1)"
                                   : found ? "base station found"
                                           : "no base station, serial message mode")));

        m_lifecycle.start();
        QCOMPARE(m_link.log, calls);
        QCOMPARE(m_messages.shown,
            !opened ? QStringList()
                    : QStringList {GoldenTexts::text(found ? "baseFound" : "baseNotFound")});
        // Start-up reads the store, under the names other runs read; it never
        // writes the defaults back.
        QCOMPARE(QSettings(m_path, QSettings::IniFormat).allKeys(),
            (stored.isEmpty() ? QStringList() : QStringList {"Boot/BaudRate", "Boot/ComPort"}));
        // The serial dialog's OK closes by the old mode and port, then opens the new one.
        m_link.log.clear();
        m_lifecycle.reopen(QStringLiteral("COM7"), QStringLiteral("9600"));
        QCOMPARE(m_link.log.mid(0, 2),
            (QStringList {found ? QStringLiteral("radio_close()")
                                : QStringLiteral("TerminateComm(%1)").arg(port),
                QStringLiteral("InitializeComm(7, 9600)")}));
    }
};

QTEST_MAIN(LinkLifecycleTest)
#include "tst_linklifecycle.moc"
