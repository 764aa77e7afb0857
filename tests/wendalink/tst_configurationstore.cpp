#include "configurationstore.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A store opened afresh on the file, positioned inside TERMINAL, as the next
// process would see it.
std::optional<QByteArray> reloadedValue(const QString &path, const QByteArray &name)
{
    ConfigurationStore store(path);
    if (!store.reset() || !store.positionInside("TERMINAL"))
        return std::nullopt;
    return store.value(name);
}

} // namespace

class ConfigurationStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_path = m_folder.filePath(QStringLiteral("store.xml"));
        QFile::remove(m_path);
    }

    void writeToAnExistingNameReplacesTheValue()
    {
        ConfigurationStore store(m_path);
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG1", "RA"));
        QVERIFY(store.writeTag("PELSADOIG1", "UE05"));
        QCOMPARE(readFile(m_path).count("<PELSADOIG1"), 1);
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), QByteArray("UE05"));
    }

    void duplicatesLeftByHandCollapseOnWrite()
    {
        writeFile(m_path,
            "<wendalink-store><TERMINAL><PELSADOIG1>A</PELSADOIG1>"
            "<PELSADOIG1>B</PELSADOIG1></TERMINAL></wendalink-store>");
        ConfigurationStore store(m_path);
        QVERIFY(store.reset());
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG1", "RA"));
        QCOMPARE(readFile(m_path).count("<PELSADOIG1"), 1);
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), QByteArray("RA"));
    }

    void removeDeletesAndRemovingAnAbsentNameIsHarmless()
    {
        ConfigurationStore store(m_path);
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG1", "RA"));
        QVERIFY(store.writeTag("PELSADOIG2", "ZA"));
        QVERIFY(store.removeTag("PELSADOIG2"));
        QVERIFY(store.removeTag("PELSADOIG21"));
        QCOMPARE(reloadedValue(m_path, "PELSADOIG2"), std::nullopt);
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), QByteArray("RA"));
    }

    void positioningCreatesTheElementOnceAndResetReturnsToTheRoot()
    {
        ConfigurationStore store(m_path);
        QVERIFY(store.reset());
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(readFile(m_path).contains("<TERMINAL"));
        QVERIFY(store.reset());
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG1", "RA"));
        const QByteArray content = readFile(m_path);
        QCOMPARE(content.count("<TERMINAL"), 1);
        QVERIFY(!content.contains("<TERMINAL><TERMINAL"));
    }

    void elementsOthersWroteAreKept()
    {
        writeFile(m_path,
            "<?xml version=\"1.0\"?>\n"
            "<wendalink-store version=\"7\">\n"
            "  <!-- written by the base station -->\n"
            "  <RADIO channel=\"4\">north</RADIO>\n"
            "  <TERMINAL><FIRMWARE>2.1</FIRMWARE><PELSADOIG1>RA</PELSADOIG1>"
            "</TERMINAL>\n"
            "</wendalink-store>\n");
        ConfigurationStore store(m_path);
        QVERIFY(store.reset());
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG1", "ZA"));
        QVERIFY(store.removeTag("PELSADOIG2"));
        const QByteArray content = readFile(m_path);
        QVERIFY(content.contains("<wendalink-store version=\"7\">"));
        QVERIFY(content.contains("written by the base station"));
        QVERIFY(content.contains("<RADIO channel=\"4\">north</RADIO>"));
        QCOMPARE(reloadedValue(m_path, "FIRMWARE"), QByteArray("2.1"));
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), QByteArray("ZA"));
    }

    void everyByteValueSurvivesWriteAndReload_data()
    {
        QTest::addColumn<QByteArray>("value");
        QByteArray allBytes;
        for (int byte = 1; byte <= 0xFF; ++byte)
            allBytes.append(char(byte));
        QTest::newRow("bytes 1 to 255") << allBytes;
        QTest::newRow("control characters") << QByteArray("\x01\t\n\r\x1f\x7f");
        QTest::newRow("line ends") << QByteArray("A\r\nB\rC\n");
        QTest::newRow("blanks only") << QByteArray("   ");
        QTest::newRow("blanks around") << QByteArray("  RA  ");
        QTest::newRow("markup characters") << QByteArray("<a>&amp;\"'</a>");
        QTest::newRow("code-page letters") << QByteArray("\xe9\xfc\x80\x9f\xff");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("record code") << QByteArray("UE05");
    }
    void everyByteValueSurvivesWriteAndReload()
    {
        QFETCH(QByteArray, value);
        {
            ConfigurationStore store(m_path);
            QVERIFY(store.positionInside("TERMINAL"));
            QVERIFY(store.writeTag("PELSADOIG1", value));
        }
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), value);
    }

    void eachChangeIsOnDiskAtOnceWithNoTemporaryFileLeft()
    {
        ConfigurationStore store(m_path);
        QVERIFY(store.positionInside("TERMINAL"));
        for (int record = 1; record <= 3; ++record) {
            const QByteArray name = "PELSADOIG" + QByteArray::number(record);
            QVERIFY(store.writeTag(name, "RA"));
            // Read by another store while the first is still open: nothing is
            // held back for a later flush.
            QCOMPARE(reloadedValue(m_path, name), QByteArray("RA"));
        }
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList {QStringLiteral("store.xml")});
        QVERIFY(readFile(m_path).startsWith("<?xml"));
    }

    void writeThatCannotReachTheDiskReportsFailure()
    {
        // The folder the store should live in is a plain file: no write can succeed.
        const QString blocker = m_folder.filePath(QStringLiteral("blocker"));
        writeFile(blocker, "not a folder");
        ConfigurationStore store(blocker + QStringLiteral("/store.xml"));
        QVERIFY(!store.positionInside("TERMINAL"));
        QVERIFY(!store.writeTag("PELSADOIG1", "RA"));
        QVERIFY(!store.errorString().isEmpty());
        QCOMPARE(readFile(blocker), QByteArray("not a folder"));
    }

    void damagedFileIsPutAsideAndTheStoreStartsEmpty()
    {
        const QByteArray damaged = "<wendalink-store><TERMINAL><PELSADOIG1>RA</PELS";
        writeFile(m_path, damaged);
        ConfigurationStore store(m_path);
        QVERIFY(store.reset());
        QVERIFY(!store.setAsidePath().isEmpty());
        QCOMPARE(readFile(store.setAsidePath()), damaged);
        QVERIFY(store.positionInside("TERMINAL"));
        QVERIFY(store.writeTag("PELSADOIG2", "ZA"));
        QCOMPARE(reloadedValue(m_path, "PELSADOIG2"), QByteArray("ZA"));
        QCOMPARE(reloadedValue(m_path, "PELSADOIG1"), std::nullopt);
    }

    void storeThatCannotBeReadIsNeverOverwritten()
    {
        QVERIFY(QDir().mkpath(m_path)); // a folder where the file should be
        ConfigurationStore store(m_path);
        QVERIFY(!store.reset());
        QVERIFY(!store.positionInside("TERMINAL"));
        QVERIFY(!store.writeTag("PELSADOIG1", "RA"));
        QVERIFY(QFileInfo(m_path).isDir());
        QVERIFY(QDir().rmdir(m_path));
    }

    void namesXmlCannotHoldAreRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("leading digit") << QByteArray("1PELSADOIG");
        QTest::newRow("blank inside") << QByteArray("PELSADO IG1");
        QTest::newRow("markup") << QByteArray("A><B");
        QTest::newRow("8-bit letter") << QByteArray("PELSAD\xd6");
    }
    void namesXmlCannotHoldAreRefused()
    {
        QFETCH(QByteArray, name);
        ConfigurationStore store(m_path);
        QVERIFY(store.positionInside("TERMINAL"));
        const QByteArray before = readFile(m_path);
        QVERIFY(!store.writeTag(name, "RA"));
        QVERIFY(!store.positionInside(name));
        QCOMPARE(readFile(m_path), before);
    }

    void storePathFollowsTheVariableThenTheDataFolder()
    {
        const QByteArray savedStore = qgetenv(ConfigurationStore::storePathVariable);
        const QByteArray savedData = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] {
            const auto put = [](const char *name, const QByteArray &value) {
                if (value.isNull())
                    qunsetenv(name);
                else
                    qputenv(name, value);
            };
            put(ConfigurationStore::storePathVariable, savedStore);
            put("XDG_DATA_HOME", savedData);
        });
        qputenv(ConfigurationStore::storePathVariable, m_path.toLocal8Bit());
        QCOMPARE(ConfigurationStore::defaultPath(), m_path);
        qunsetenv(ConfigurationStore::storePathVariable);
        qputenv("XDG_DATA_HOME", m_folder.path().toLocal8Bit());
        QCOMPARE(ConfigurationStore::defaultPath(),
            m_folder.filePath(QStringLiteral("wendalink/store.xml")));
    }
};

PELSADO_REGISTER_TEST(ConfigurationStoreTest);
#include "tst_configurationstore.moc"
