#include "configurationstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ConfigurationStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    const QString m_path = m_folder.filePath(QStringLiteral("store.xml"));
    std::unique_ptr<ConfigurationStore> m_store;

    // A store on a file holding `content`, positioned inside TERMINAL.
    bool open(const QByteArray &content = "<wendalink-store/>")
    {
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return false;
        file.close();
        m_store = std::make_unique<ConfigurationStore>(m_path);
        return m_store->reset() && m_store->positionInside("TERMINAL");
    }

    // What the next process reads from the file.
    std::optional<QByteArray> reloaded(QByteArrayView name) const
    {
        ConfigurationStore store(m_path);
        return store.reset() && store.positionInside("TERMINAL") ? store.value(name) : std::nullopt;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void writeAndRemoveTouchOnlyTheirOwnNameAndKeepWhatOthersWrote()
    {
        QVERIFY(
            open("<wendalink-store><TERMINAL><FIRMWARE>2.1</FIRMWARE><PELSADOIG1>A</PELSADOIG1>"
                 "<PELSADOIG1/><PELSADOIG2/></TERMINAL><RADIO channel=\"4\"/></wendalink-store>"));
        QVERIFY(m_store->writeTag("PELSADOIG1", "ZA"));
        QVERIFY(m_store->removeTag("PELSADOIG2"));
        QVERIFY(m_store->removeTag("PELSADOIG21"));
        const QByteArray content = readFile(m_path);
        QCOMPARE(content.count("<PELSADOIG1"), 1);
        QCOMPARE(reloaded("PELSADOIG1"), QByteArray("ZA"));
        QCOMPARE(reloaded("PELSADOIG2"), std::nullopt);
        QCOMPARE(reloaded("FIRMWARE"), QByteArray("2.1"));
        QVERIFY(content.contains("<RADIO channel=\"4\""));
    }

    void everyByteValueSurvivesWriteAndReload()
    {
        QByteArray allBytes;
        for (int byte = 1; byte <= 0xFF; ++byte)
            allBytes.append(char(byte));
        QVERIFY(open());
        // XML readers drop or trim blanks that stand alone.
        for (const QByteArray &value : {allBytes, QByteArray("   "), QByteArray("  RA  ")}) {
            QVERIFY(m_store->writeTag("PELSADOIG1", value));
            QCOMPARE(reloaded("PELSADOIG1"), value);
        }
    }

    void damagedFileIsPutAsideAndTheStoreStartsEmpty()
    {
        const QByteArray damaged = "<wendalink-store><TERMINAL><PELSADOIG1>RA</PELS";
        QVERIFY(open(damaged));
        QCOMPARE(readFile(m_store->setAsidePath()), damaged);
        QVERIFY(m_store->writeTag("PELSADOIG2", "ZA"));
        QCOMPARE(reloaded("PELSADOIG2"), QByteArray("ZA"));
        QCOMPARE(reloaded("PELSADOIG1"), std::nullopt);
    }
};

QTEST_MAIN(ConfigurationStoreTest)
#include "tst_configurationstore.moc"
