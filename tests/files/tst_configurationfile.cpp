#include "configurationfile.h"
#include "goldentexts.h"
#include "memoryoptionpanel.h"
#include "smallfilesystem.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <optional>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// What sampleFile() holds: every check box checked, texts "T1".."T10".
MemoryOptionPanel samplePanel()
{
    MemoryOptionPanel panel;
    for (int n = 1; n <= ConfigurationFile::checkLineCount; ++n)
        panel.setCheckState(n, OptionPanel::checked);
    for (int n = 1; n <= ConfigurationFile::textLineCount; ++n)
        panel.setLengthText(n, QStringLiteral("T%1").arg(n));
    return panel;
}

// All states and texts, one item each, so that a comparison shows what differs.
QStringList describe(const OptionPanel &panel)
{
    QStringList parts;
    for (int n = 1; n <= ConfigurationFile::checkLineCount; ++n)
        parts << QStringLiteral("Check%1=%2").arg(n).arg(panel.checkState(n));
    for (int n = 1; n <= ConfigurationFile::textLineCount; ++n)
        parts << QStringLiteral("Text%1=\"%2\"").arg(n).arg(panel.lengthText(n));
    return parts;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

constexpr qint16 greyed = OptionPanel::greyed;
constexpr int resetCheck = ConfigurationFile::factoryResetCheck;
constexpr int longest = ConfigurationFile::maxLineLength;
// The stop line of a file that loads fully.
constexpr int wholeFile = ConfigurationFile::lineCount + 1;
const QString fileName = QStringLiteral("settings.cfg");
// Longer than a file saved from a panel with short texts, within one block.
const QByteArray earlier = QByteArray("earlier\r\n").repeated(50);
// Far longer than a command takes; a command not done by then is blocked.
constexpr int blockedAfterMs = 5000;
constexpr mode_t anyoneMayWrite = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

// A pipe renamed over a file right after the next look at the file's status,
// as another process could between the tool's check of the name and its open.
struct PipeSwap
{
    QByteArray file; // empty once swapped
    QByteArray pipe;
    QByteArray folder;
} pipeSwap;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Lets anyone write `file` and no one add to `folder`. Root passes every
// permission check, so as root the save runs as nobody.
bool lockFolder(const QByteArray &folder, const QByteArray &file, const passwd *&saver)
{
    saver = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    return chmod(file, anyoneMayWrite) == 0 && chmod(folder, 0555) == 0;
}

// The 70 lines of a file: every check-box line " 1 ", texts "T1".."T10".
QByteArray sampleFile(int from = 1, int to = ConfigurationFile::lineCount)
{
    QByteArray bytes;
    for (int line = from; line <= to; ++line) {
        const int textNumber = line - ConfigurationFile::checkLineCount;
        bytes += textNumber > 0 ? "T" + QByteArray::number(textNumber) + "\r\n" : " 1 \r\n";
    }
    return bytes;
}

// What goes wrong while a file is saved.
enum Trouble { none, folderLocked, roomForPart, diskFull, diskFullFolderLocked };

} // namespace

class ConfigurationFileTest : public QObject
{
    Q_OBJECT

private slots:
    void savedFileMatchesGoldenBytesAndLoadsBackLosingOnlyOuterBlanks()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(fileName);
        MemoryOptionPanel saved;
        for (int checkNumber : {2, 17, 33, 60})
            saved.setCheckState(checkNumber, checkNumber == 17 ? greyed : OptionPanel::checked);
        // Text8 holds a character that the code page lacks.
        const QStringList texts {"12", "", "  7 ", "", "\u00e9", "", "", "\u03a9", "1 2\t", ""};
        for (int textNumber = 1; textNumber <= ConfigurationFile::textLineCount; ++textNumber)
            saved.setLengthText(textNumber, texts[textNumber - 1]);
        QVERIFY(writeconffile(saved, path).succeeded());
        QCOMPARE(
            fileBytes(path), fileBytes(QStringLiteral(PELSADO_TEST_DATA_DIR "/known-panel.cfg")));
        QCOMPARE(saved.checkState(resetCheck), OptionPanel::checked);

        MemoryOptionPanel loaded = samplePanel();
        loaded.setCommandTrace(QStringLiteral(", 82"));
        QVERIFY(readconffile(loaded, path).succeeded());
        saved.setLengthText(3, QStringLiteral("7"));
        saved.setLengthText(8, QStringLiteral("?"));
        QCOMPARE(describe(loaded), describe(saved));
        QCOMPARE(loaded.commandTrace(), QStringLiteral(", 82"));
    }

    void saveLoadsBackOrKeepsEarlierFileAndCheck56_data()
    {
        QTest::addColumn<QString>("text4");
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QString>("message"); // none: the save succeeds and loads back
        const GoldenTexts::Values text4Line {{"file", fileName}, {"line", "64"}, {"field", "4"}};
        const auto notWritten = [](const QString &reason) {
            return GoldenTexts::text("fileNotWritten", {{"file", fileName}, {"reason", reason}});
        };
        QTest::newRow("text as long as a line") << QString(longest, u'x') << none << QString();
        QTest::newRow("folder takes no new file") << "12" << folderLocked << QString();
        QTest::newRow("text longer than a line")
            << QString(longest + 1, u'x') << none << GoldenTexts::text("textTooLong", text4Line);
        QTest::newRow("line break in a text")
            << "1\n2" << none << GoldenTexts::text("textHoldsLineBreak", text4Line);
        // 60 state lines of 5 bytes, the longest text and 10 line ends; %1: one block.
        QTest::newRow("room for the first bytes only")
            << QString(longest, u'x') << roomForPart
            << notWritten(GoldenTexts::text("bytesLost", {{"written", "%1"}, {"size", "33087"}}));
        QTest::newRow("disk full") << "" << diskFull << notWritten("No space left on device");
        // In place, the new contents need more blocks than the earlier ones free.
        QTest::newRow("disk full, folder takes no new file") << QString(
            longest, u'x') << diskFullFolderLocked << notWritten("No space left on device");
    }
    void saveLoadsBackOrKeepsEarlierFileAndCheck56()
    {
        QFETCH(QString, text4);
        QFETCH(Trouble, trouble);
        QFETCH(QString, message);
        QTemporaryDir ordinary;
        std::optional<SmallFileSystem> disk;
        const bool locked = trouble == folderLocked || trouble == diskFullFolderLocked;
        if (trouble >= roomForPart && !disk.emplace().isMounted())
            QSKIP("a small file system cannot be mounted here (mounting needs root)");
        const QDir folder(disk ? disk->path() : ordinary.path());
        const QByteArray nativeFolder = QFile::encodeName(folder.path());
        const auto restore = qScopeGuard([&] { chmod(nativeFolder, 0700); });
        const QString path = folder.filePath(fileName);
        QVERIFY(writeFile(path, earlier));
        QVERIFY(!disk || disk->leaveFree(trouble == roomForPart ? 1 : 0));
        if (trouble == roomForPart)
            message = message.arg(disk->blockSize());
        const passwd *saver = nullptr;
        QVERIFY(!locked || lockFolder(nativeFolder, QFile::encodeName(path), saver));
        MemoryOptionPanel panel;
        panel.setCheckState(resetCheck, greyed);
        panel.setLengthText(4, text4);

        QVERIFY(!saver || seteuid(saver->pw_uid) == 0);
        const QString result = writeconffile(panel, path).message();
        QVERIFY(!saver || seteuid(0) == 0);
        QCOMPARE(result, message);
        if (message.isEmpty()) {
            QBuffer written;
            QVERIFY(written.open(QIODevice::WriteOnly));
            QVERIFY(writeconffile(panel, written, fileName).succeeded());
            QCOMPARE(fileBytes(path), written.data());
            MemoryOptionPanel loaded;
            QVERIFY(readconffile(loaded, path).succeeded());
            QCOMPARE(describe(loaded), describe(panel));
        } else {
            QCOMPARE(fileBytes(path), earlier);
            QCOMPARE(panel.checkState(resetCheck), greyed);
            QCOMPARE(folder.entryList({fileName + ".*"}, QDir::Files), QStringList());
        }
    }

    // Opening a pipe would block the window; saving over one, or a device,
    // would replace it with a regular file. A pipe found by the check of the
    // name is refused unopened; one renamed over the file right after that
    // check, as another process could, is opened without blocking and refused.
    void pipeIsRefusedWithoutBlockingOrBeingReplaced_data()
    {
        QTest::addColumn<bool>("swappedIn");
        QTest::addColumn<bool>("save"); // a swapped-in one in place: the folder takes no new file
        QTest::addColumn<QString>("refused");
        const GoldenTexts::Values pipe {
            {"file", fileName}, {"reason", GoldenTexts::text("notRegularFile")}};
        const QString notOpened = GoldenTexts::text("fileNotOpened", pipe);
        const QString notCreated = GoldenTexts::text("fileNotCreated", pipe);
        QTest::newRow("found, load") << false << false << notOpened;
        QTest::newRow("found, save") << false << true << notCreated;
        QTest::newRow("swapped in, load") << true << false << notOpened;
        QTest::newRow("swapped in, save in place") << true << true << notCreated;
    }
    void pipeIsRefusedWithoutBlockingOrBeingReplaced()
    {
        QFETCH(bool, swappedIn);
        QFETCH(bool, save);
        QFETCH(QString, refused);
        QTemporaryDir folder;
        const QByteArray nativeFolder = QFile::encodeName(folder.path());
        const QString path = folder.filePath(fileName);
        const QByteArray nativePath = QFile::encodeName(path);
        const QByteArray pipe = swappedIn ? nativeFolder + "/pipe" : nativePath;
        QVERIFY(mkfifo(pipe, anyoneMayWrite) == 0 && chmod(pipe, anyoneMayWrite) == 0);
        QVERIFY(!swappedIn || writeFile(path, sampleFile()));
        const auto unlock = qScopeGuard([&] { chmod(nativeFolder, 0700); });
        const passwd *saver = nullptr;
        QVERIFY(!(save && swappedIn) || lockFolder(nativeFolder, nativePath, saver));
        pipeSwap = {swappedIn ? nativePath : QByteArray(), pipe, nativeFolder};

        MemoryOptionPanel panel;
        QString message;
        const std::unique_ptr<QThread> command(QThread::create([&] {
            const bool asSaver = saver && seteuid(saver->pw_uid) == 0;
            message = (save ? writeconffile(panel, path) : readconffile(panel, path)).message();
            if (asSaver)
                seteuid(0);
        }));
        command->start();
        const bool finished = command->wait(QDeadlineTimer(blockedAfterMs));
        if (!finished) {
            // Frees the blocked open: a reader for a save (kept until it is
            // done), a writer with a whole file for a load.
            const int reader = open(nativePath, O_RDONLY | O_NONBLOCK);
            const int writer = open(nativePath, O_WRONLY | O_NONBLOCK);
            const QByteArray whole = sampleFile();
            const bool fed = write(writer, whole.constData(), whole.size()) == whole.size();
            close(writer);
            command->wait();
            close(reader);
            QVERIFY(fed);
        }
        QVERIFY2(finished, "the command blocked in opening the pipe");
        QVERIFY(pipeSwap.file.isEmpty());
        QCOMPARE(message, refused);
        QCOMPARE(describe(panel), describe(MemoryOptionPanel()));
        QVERIFY(!QFileInfo(path).isFile());
    }

    void loadAppliesEveryLineBeforeTheFirstBadOne_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // lines 2 to 70 all " 1 " or "Tn"
        QTest::addColumn<int>("check1"); // the state line 1 gives
        QTest::addColumn<int>("stopLine"); // the first line not applied
        QTest::addColumn<QString>("message");
        const auto atLine = [](const char *name, int line, const QString &text = QString()) {
            return GoldenTexts::text(
                name, {{"file", fileName}, {"line", QString::number(line)}, {"text", text}});
        };
        const QByteArray after1 = sampleFile(2);
        const QByteArray huge(8 << 20, 'x');
        const QByteArray upToText3 = sampleFile(1, 62);
        QTest::newRow("empty line 1") << "\r\n" + after1 << 0 << wholeFile << "";
        QTest::newRow("1.5 rounds to even 2") << "1.5\r\n" + after1 << 2 << wholeFile << "";
        QTest::newRow("75 lines, the rest never read")
            << sampleFile() + QByteArray(" 7 \r\n").repeated(5) + huge << 1 << wholeFile << "";
        QTest::newRow("69 lines") << sampleFile(1, 69) << 1 << 70 << atLine("fileEndsEarly", 70);
        QTest::newRow("state 7") << sampleFile(1, 16) + " 7 " << 1 << 17
                                 << atLine("fileNotAState", 17, "7");
        QTest::newRow("a line as long as a text can be")
            << upToText3 + QByteArray(longest - 2, ' ') + "T3\r\n" + sampleFile(64) << 1
            << wholeFile << "";
        QTest::newRow("a line one longer") << upToText3 + QByteArray(longest + 1, 'x') + "\r\n"
                + sampleFile(64) << 1 << 63 << atLine("fileLineTooLong", 63);
    }
    void loadAppliesEveryLineBeforeTheFirstBadOne()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, check1);
        QFETCH(int, stopLine);
        QFETCH(QString, message);
        MemoryOptionPanel panel;
        QStringList applied = describe(samplePanel());
        applied[0] = QStringLiteral("Check1=%1").arg(check1);
        const QStringList untouched = describe(panel);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));

        QCOMPARE(readconffile(panel, device, fileName).message(), message);
        QCOMPARE(describe(panel), applied.mid(0, stopLine - 1) + untouched.mid(stopLine - 1));
        // A line is read only up to the length limit, and nothing after line 70.
        QVERIFY(device.pos() <= qint64(stopLine) * (longest + 2));
    }
};

// Every look at a file's status through Qt: the seam at which the pipe is
// swapped in, as the folder's owner (who may add to it, and the command may
// run as nobody).
extern "C" int statx(int folder, const char *__restrict path, int flags, unsigned int mask,
    struct statx *__restrict status) noexcept
{
    const int result = int(syscall(SYS_statx, folder, path, flags, mask, status));
    if (!pipeSwap.file.isEmpty() && pipeSwap.file == path) {
        const uid_t user = geteuid();
        if (seteuid(getuid()) == 0 && chmod(pipeSwap.folder, 0700) == 0
            && rename(pipeSwap.pipe, pipeSwap.file) == 0 && chmod(pipeSwap.folder, 0555) == 0
            && seteuid(user) == 0)
            pipeSwap.file.clear();
    }
    return result;
}

QTEST_MAIN(ConfigurationFileTest)
#include "tst_configurationfile.moc"
