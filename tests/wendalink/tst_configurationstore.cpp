#include "configurationstore.h"
#include "smallfilesystem.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <atomic>
#include <future>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int notMounted = -1;

// Another XML reader's verdict.
bool isWellFormed(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

} // namespace

class ConfigurationStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    const QString m_path = m_folder.filePath(QStringLiteral("store.xml"));
    std::unique_ptr<ConfigurationStore> m_store;

    static bool writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A store on a file holding `content`, positioned inside TERMINAL.
    bool open(const QByteArray &content = "<wendalink-store/>")
    {
        m_store = std::make_unique<ConfigurationStore>(m_path);
        return writeFile(m_path, content) && m_store->reset()
            && m_store->positionInside("TERMINAL");
    }

    // Writes as the tool does: from the top, inside TERMINAL.
    static bool written(ConfigurationStore &store, const QByteArray &name, const char *value)
    {
        return store.reset() && store.positionInside("TERMINAL") && store.writeTag(name, value);
    }

    // What the next process reads from the file.
    std::optional<QByteArray> reloaded(QByteArrayView name) const
    {
        ConfigurationStore store(m_path);
        return store.reset() && store.positionInside("TERMINAL") ? store.value(name) : std::nullopt;
    }

private slots:
    // A value written and read back, then removed: the file is as it was, but for
    // what `written` shows (duplicates of the name gone, a quote given its reference).
    void foreignContentIsWrittenBackAsRead_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("written");
        QByteArray allBytes;
        for (int byte = 1; byte <= 0xFF; ++byte)
            allBytes.append(char(byte));
        const QByteArray nested
            = QByteArray("<a>").repeated(5000) + "<a/>" + QByteArray("</a>").repeated(5000);
        QTest::newRow("nested 5000 deep")
            << allBytes << "<r><TERMINAL/>" + nested + "</r>" << QByteArray();
        // XML readers drop or trim blanks that stand alone.
        QTest::newRow("indented, single quotes")
            << QByteArray("  RA  ")
            << QByteArray("<?xml version=\"1.0\"?>\n<r>\n  <TERMINAL>\n    <X k='\"'/>\n  "
                          "</TERMINAL>\n</r>\n")
            << QByteArray("<?xml version=\"1.0\"?>\n<r>\n  <TERMINAL>\n    <X k=\"&quot;\"/>\n  "
                          "</TERMINAL>\n</r>\n");
        QTest::newRow("references")
            << QByteArray("R&<")
            << QByteArray("<!DOCTYPE r [<!ENTITY lol3 \"x\">]>\n<r><TERMINAL>&lol3; &amp; "
                          "&#65;</TERMINAL></r>\n")
            << QByteArray();
        QTest::newRow("duplicates, neighbours")
            << QByteArray("   ")
            << QByteArray(
                   "<r><TERMINAL><F>2.1</F><PELSADOIG1>A</PELSADOIG1><PELSADOIG1/></TERMINAL><R "
                   "c=\"4\"/></r>")
            << QByteArray("<r><TERMINAL><F>2.1</F></TERMINAL><R c=\"4\"/></r>");
    }

    void foreignContentIsWrittenBackAsRead()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, written);
        QVERIFY(open(content));
        QVERIFY(m_store->writeTag("PELSADOIG1", value));
        QCOMPARE(readFile(m_path).count("<PELSADOIG1"), 1);
        QCOMPARE(reloaded("PELSADOIG1"), value);
        QVERIFY(m_store->removeTag("PELSADOIG1") && m_store->removeTag("PELSADOIG21"));
        QCOMPARE(readFile(m_path), written.isEmpty() ? content : written);
    }

    // Files other XML readers refuse, though a lenient parser might take them.
    void damagedFileIsPutAsideAndTheStoreStartsEmpty_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        const QByteArray terminal = "<TERMINAL><PELSADOIG1>RA</PELSADOIG1></TERMINAL>";
        const QByteArray store = "<wendalink-store>" + terminal + "</wendalink-store>";
        QTest::newRow("cut short") << "<wendalink-store>" + terminal.left(30);
        QTest::newRow("two root elements") << store + "<wendalink-store/>";
        QTest::newRow("duplicated attribute")
            << "<wendalink-store a='1' a='2'>" + terminal + "</wendalink-store>";
        QTest::newRow("not UTF-8")
            << "<wendalink-store>" + terminal + "<X>\xE9t\xE9</X></wendalink-store>";
        QTest::newRow("control character")
            << "<wendalink-store>" + terminal + "<X>\x01</X></wendalink-store>";
        QTest::newRow("text after the root") << store + "\nRA";
        QTest::newRow("text before the root") << "RA\n" + store;
    }

    void damagedFileIsPutAsideAndTheStoreStartsEmpty()
    {
        QFETCH(QByteArray, damaged);
        QVERIFY(open(damaged));
        QCOMPARE(readFile(m_store->setAsidePath()), damaged);
        QVERIFY(m_store->writeTag("PELSADOIG2", "ZA"));
        QCOMPARE(reloaded("PELSADOIG2"), QByteArray("ZA"));
        QCOMPARE(reloaded("PELSADOIG1"), std::nullopt);
        QVERIFY(isWellFormed(readFile(m_path)));
    }

    // A FIFO renamed over the store between the check of its name and the open.
    // One FIFO, linked in again and again, so that a read stuck in it can be
    // let go through its own name and the test ends.
    void fifoSwappedInNeverBlocksTheStore()
    {
        constexpr int readingMs = 1000;
        constexpr auto hangAfter = std::chrono::seconds(5);
        constexpr auto pollPause = std::chrono::milliseconds(10);
        const QByteArray name = QFile::encodeName(m_path);
        const QByteArray regular = name + ".regular", fifo = name + ".fifo",
                         linked = name + ".link";
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        std::atomic_bool stop = false;
        std::thread swapper([&] {
            while (!stop) {
                writeFile(QFile::decodeName(regular), "<wendalink-store/>");
                ::rename(regular.constData(), name.constData());
                ::link(fifo.constData(), linked.constData());
                ::rename(linked.constData(), name.constData());
            }
        });
        std::future<void> reads = std::async(std::launch::async, [this] {
            for (const QDeadlineTimer deadline(readingMs); !deadline.hasExpired();)
                ConfigurationStore(m_path).reset();
        });
        const bool finished = reads.wait_for(hangAfter) == std::future_status::ready;
        stop = true;
        swapper.join();
        while (reads.wait_for(pollPause) != std::future_status::ready)
            ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
        QVERIFY2(finished, "a store read blocked in a FIFO");
    }

    void refusedChangeLeavesTheFileAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("freePages"); // left on a small file system, the lock's included
        // Under the 16 KiB that Qt's buffered writes keep until the commit.
        const QByteArray small
            = "<r><TERMINAL>" + QByteArray("<a/>").repeated(2000) + "</TERMINAL></r>";
        // The bytes after TERMINAL go last: their write ends early, and no
        // later write fails to tell of it.
        const QByteArray longTail = "<r><TERMINAL/>" + QByteArray("<a/>").repeated(2000) + "</r>";
        const qint64 limit = ConfigurationStore::maxStoreBytes;
        QTest::newRow("room for the lock only") << small << 1;
        QTest::newRow("room for the first bytes only") << longTail << 2;
        QTest::newRow("fifo") << QByteArray() << notMounted;
        QTest::newRow("device node") << QByteArray() << notMounted;
        QTest::newRow("over the limit") << QByteArray(limit + 1, ' ') << notMounted;
        QTest::newRow("growing over it")
            << "<r><!--" + QByteArray(limit - 16, 'x') + "--></r>" << notMounted;
    }

    void refusedChangeLeavesTheFileAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, freePages);
        const QByteArrayView kind(QTest::currentDataTag());
        std::optional<SmallFileSystem> disk;
        if (freePages != notMounted && !disk.emplace().isMounted())
            QSKIP("mounting a small file system needs root and the right to mount");
        const QString folder = disk ? disk->path() : m_folder.path();
        const QString path = QDir(folder).filePath(QStringLiteral("store.xml"));
        const QByteArray name = QFile::encodeName(path);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == "device node" && ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)))
            QSKIP("making a device node needs root");
        QVERIFY(content.isEmpty() || writeFile(path, content));
        QVERIFY(!disk || disk->leaveFree(freePages));
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::System);

        ConfigurationStore store(path);
        QVERIFY(!written(store, "PELSADOIG1", "RA"));
        QCOMPARE(QFileInfo(path).isFile(), !content.isEmpty());
        QVERIFY(content.isEmpty() || readFile(path) == content);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::System), before);
    }

    // Refused changes too: a store near its limit refuses the records that do
    // not fit, and keeps what it read rather than reading it again.
    void unchangedStoreIsReadOnceAndOtherWritersAreSeen_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expectedWritten");
        constexpr qint64 room = 400;
        const QByteArray opening = "<wendalink-store><TERMINAL/><!--";
        const QByteArray closing = "--></wendalink-store>";
        const qint64 filler
            = ConfigurationStore::maxStoreBytes - room - opening.size() - closing.size();
        QTest::newRow("room for all") << QByteArray("<wendalink-store/>") << 60;
        // TERMINAL opens (37 bytes with PELSADOIG1), then 8 more of 27 bytes
        // and 5 of 29 (PELSADOIG10 to 14) fit in 398 bytes.
        QTest::newRow("near the limit") << opening + QByteArray(filler, 'x') + closing << 14;
    }

    void unchangedStoreIsReadOnceAndOtherWritersAreSeen()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expectedWritten);
        QVERIFY(open(content));
        int accepted = 0;
        for (int record = 1; record <= 60; ++record)
            accepted += written(*m_store, "PELSADOIG" + QByteArray::number(record), "RA");
        QCOMPARE(accepted, expectedWritten);
        QCOMPARE(readFile(m_path).count("<PELSADOIG"), expectedWritten);
        QCOMPARE(m_store->value("PELSADOIG60") != std::nullopt, expectedWritten == 60);
        QCOMPARE(m_store->loadCount(), 1);
        // Another writer, which first finds the lock of one that died holding it.
        const pid_t locker = ::fork();
        if (locker == 0)
            ::_exit(int(!QLockFile(m_path + ConfigurationStore::lockSuffix).lock()));
        QVERIFY(::waitpid(locker, nullptr, 0) == locker
            && QFile::exists(m_path + ConfigurationStore::lockSuffix));
        ConfigurationStore other(m_path);
        QVERIFY(written(other, "PELSADOIG1", "ZA"));
        QVERIFY(m_store->reset() && m_store->positionInside("TERMINAL"));
        QCOMPARE(m_store->value("PELSADOIG1"), QByteArray("ZA"));
    }

    // Two processes, each writing names of its own.
    void concurrentWritersLoseNothing()
    {
        constexpr int tagsEach = 200;
        QVERIFY(open());
        const pid_t child = ::fork();
        const int first = child == 0 ? tagsEach : 0;
        ConfigurationStore store(m_path);
        bool allWritten = true;
        for (int tag = first; tag < first + tagsEach; ++tag)
            allWritten = written(store, "W" + QByteArray::number(tag), "RA") && allWritten;
        if (child == 0)
            ::_exit(allWritten ? EXIT_SUCCESS : EXIT_FAILURE);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(allWritten && WIFEXITED(status) && WEXITSTATUS(status) == EXIT_SUCCESS);
        QCOMPARE(readFile(m_path).count(">RA<"), 2 * tagsEach);
    }

    void staleTemporariesOfThisStoreAreRemoved()
    {
        const QStringList names = {m_path + ".Ab12Cd", m_path + ".keep-me", m_path + ".Xy34Zw"};
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        for (const QString &name : names) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly)
                && (name == names.last()
                    || file.setFileTime(yesterday, QFileDevice::FileModificationTime)));
        }
        QVERIFY(open());
        QVERIFY(!QFile::exists(names[0]) && QFile::exists(names[1]) && QFile::exists(names[2]));
    }

    void cleanup()
    {
        m_store.reset();
        QFile::remove(m_path);
    }
};

QTEST_MAIN(ConfigurationStoreTest)
#include "tst_configurationstore.moc"
