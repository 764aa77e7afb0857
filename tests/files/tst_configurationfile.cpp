#include "conffiletestsupport.h"
#include "testregistry.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <limits>

namespace {

constexpr qint16 unchecked = OptionPanel::unchecked;
constexpr qint16 checked = OptionPanel::checked;
constexpr qint16 greyed = OptionPanel::greyed;
constexpr int resetCheck = ConfFile::factoryResetCheck;
const QString fileName = QStringLiteral("settings.cfg");
const QString diskFull = QStringLiteral("No space left on device");
const QString ioError = QStringLiteral("Input/output error");
constexpr qint64 neverFull = std::numeric_limits<qint64>::max();

// A save file that takes `capacity` bytes, then fails as a full disk does.
class FullDiskSaveFile final : public QSaveFile
{
public:
    FullDiskSaveFile(const QString &path, qint64 capacity)
        : QSaveFile(path)
        , m_left(capacity)
    { }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        const qint64 taken = QSaveFile::writeData(data, qMin(length, m_left));
        m_left -= taken;
        if (taken == length)
            return taken;
        setErrorString(diskFull);
        return -1;
    }

private:
    qint64 m_left;
};

// Hands out its bytes one read at a time, counting them; then reports the end
// of the file, or fails as a damaged disk does.
class TrickleDevice final : public QIODevice
{
public:
    TrickleDevice(const QByteArray &bytes, bool failAtEnd = false)
        : m_bytes(bytes)
        , m_failAtEnd(failAtEnd)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 taken() const { return m_taken; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_taken == m_bytes.size() && m_failAtEnd)
            setErrorString(ioError);
        if (m_taken == m_bytes.size())
            return m_failAtEnd ? -1 : 0;
        const qint64 count = qMin(maxSize, m_bytes.size() - m_taken);
        std::memcpy(data, m_bytes.constData() + m_taken, size_t(count));
        m_taken += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    bool m_failAtEnd;
    qint64 m_taken = 0;
};

MemoryOptionPanel knownPanel()
{
    MemoryOptionPanel panel = filledPanel(unchecked, QString());
    for (int checkNumber : {2, 33, 60})
        panel.setCheckState(checkNumber, checked);
    panel.setCheckState(17, greyed);
    panel.setLengthText(1, QStringLiteral("12"));
    panel.setLengthText(3, QStringLiteral("  7 "));
    panel.setLengthText(5, QStringLiteral("\u00e9"));
    panel.setLengthText(8, QStringLiteral("\u03a9")); // lacking in the code page
    panel.setLengthText(9, QStringLiteral("1 2\t"));
    return panel;
}

QStringList folderContents(const QString &folder)
{
    QStringList contents;
    for (const QFileInfo &entry :
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        contents << entry.fileName() + QString::fromLatin1(fileBytes(entry.filePath()).toHex());
    return contents;
}

} // namespace

class ConfigurationFileTest : public QObject
{
    Q_OBJECT

private slots:
    void savedBytesMatchGoldenFile_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("golden");
        QTest::newRow("known panel") << true << "known-panel.cfg";
        QTest::newRow("all unchecked: line 56 still checked") << false << "all-unchecked.cfg";
    }
    void savedBytesMatchGoldenFile()
    {
        QFETCH(bool, known);
        QFETCH(QString, golden);
        QTemporaryDir folder;
        MemoryOptionPanel panel = known ? knownPanel() : MemoryOptionPanel();

        QVERIFY(writeconffile(panel, folder.filePath(fileName)).succeeded());
        const QByteArray saved = fileBytes(folder.filePath(fileName));
        QCOMPARE(saved, fileBytes(QStringLiteral(PELSADO_TEST_DATA_DIR "/") + golden));
        QCOMPARE(panel.checkState(resetCheck), checked);
        if (known) {
            QCOMPARE(saved.left(10), QByteArray::fromHex("2030200d0a2031200d0a"));
            QCOMPARE(saved.mid(300, 4), QByteArray::fromHex("31320d0a"));
        }
    }

    void roundTripLosesOnlyOuterBlanksOfTexts()
    {
        QTemporaryDir folder;
        MemoryOptionPanel saved = knownPanel();
        QVERIFY(writeconffile(saved, folder.filePath(fileName)).succeeded());
        MemoryOptionPanel loaded = filledPanel(greyed);
        loaded.setCommandTrace(QStringLiteral(", 82"));

        QVERIFY(readconffile(loaded, folder.filePath(fileName)).succeeded());
        saved.setLengthText(3, QStringLiteral("7"));
        saved.setLengthText(8, QStringLiteral("?"));
        QCOMPARE(describe(loaded), describe(saved));
        QCOMPARE(loaded.commandTrace(), QStringLiteral(", 82"));
    }

    void failedSaveKeepsEarlierFileAndCheck56_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<QString>("text4");
        QTest::addColumn<QString>("message");
        const QString notCreated = QStringLiteral("%1: the file cannot be created (%2)");
        const QString notWritten
            = fileName + ": the file cannot be written (" + diskFull + "); nothing was saved";
        QTest::newRow("target is a folder")
            << "sub" << neverFull << "" << notCreated.arg("sub", "Filename refers to a directory");
        QTest::newRow("folder is a file")
            << "settings.cfg/x" << neverFull << "" << notCreated.arg("x", "Not a directory");
        QTest::newRow("folder missing") << "absent/settings.cfg" << neverFull << ""
                                        << notCreated.arg(fileName, "No such file or directory");
        QTest::newRow("disk full at once") << fileName << qint64(0) << "" << notWritten;
        QTest::newRow("disk full in a state line") << fileName << qint64(151) << "" << notWritten;
        QTest::newRow("disk full at the last byte") << fileName << qint64(331) << "" << notWritten;
        QTest::newRow("line break in a text")
            << fileName << neverFull << "1\n2"
            << "settings.cfg, line 64: the text of Text4 holds a line break, which a "
               "configuration file cannot keep";
    }
    void failedSaveKeepsEarlierFileAndCheck56()
    {
        QFETCH(QString, target);
        QFETCH(qint64, capacity);
        QFETCH(QString, text4);
        QFETCH(QString, message);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(fileName), "earlier\r\n"));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        const QStringList before = folderContents(folder.path());
        MemoryOptionPanel panel = knownPanel();
        panel.setCheckState(resetCheck, greyed);
        panel.setLengthText(4, text4);

        const ConfFileResult result
            = writeconffile(panel, folder.filePath(target), [capacity](const QString &path) {
                  return std::make_unique<FullDiskSaveFile>(path, capacity);
              });
        QCOMPARE(result.message(), message);
        QCOMPARE(folderContents(folder.path()), before);
        QCOMPARE(panel.checkState(resetCheck), greyed);
    }

    void folderRemovedBeforeTheFileIsInPlaceRestoresCheck56()
    {
        QTemporaryDir folder;
        MemoryOptionPanel panel;
        const ConfFileResult result
            = writeconffile(panel, folder.filePath(fileName), [&folder](const QString &path) {
                  auto file = std::make_unique<QSaveFile>(path);
                  QObject::connect(
                      file.get(), &QIODevice::aboutToClose, [&folder] { folder.remove(); });
                  return file;
              });
        QVERIFY2(result.message().startsWith(fileName + ": the file cannot be written ("),
            qPrintable(result.message()));
        QCOMPARE(panel.checkState(resetCheck), unchecked);
    }

    void lineIsAppliedToItsControl_data()
    {
        QTest::addColumn<int>("lineNumber");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("value"); // a state, or a text in quotes
        QTest::newRow("empty state line") << 17 << QByteArray() << "0";
        QTest::newRow("letter first") << 17 << QByteArray("A1") << "0";
        QTest::newRow("digit 1") << 1 << QByteArray("1") << "1";
        QTest::newRow("1 with blanks") << 60 << QByteArray("  1  ") << "1";
        QTest::newRow("1 with letters after") << 17 << QByteArray(" 1 abc") << "1";
        QTest::newRow("1 between tabs") << 17 << QByteArray("\t1\t") << "1";
        QTest::newRow("0.5 rounds to even 0") << 17 << QByteArray("0.5") << "0";
        QTest::newRow("1.5 rounds to even 2") << 17 << QByteArray("1.5") << "2";
        QTest::newRow("2") << 17 << QByteArray(" 2 ") << "2";
        QTest::newRow("12 between blanks") << 61 << QByteArray("  12  ") << "\"12\"";
        QTest::newRow("empty text line") << 70 << QByteArray() << "\"\"";
        QTest::newRow("inner blank stays") << 63 << QByteArray("1 2") << "\"1 2\"";
        QTest::newRow("tabs stay") << 63 << QByteArray("\t12\t") << "\"\t12\t\"";
        QTest::newRow("code page") << 63 << QByteArray("\xe9\x80") << "\"\u00e9\u20ac\"";
    }
    void lineIsAppliedToItsControl()
    {
        QFETCH(int, lineNumber);
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        QStringList lines = sampleLines();
        lines[lineNumber - 1] = QString::fromLatin1(line);
        MemoryOptionPanel panel = filledPanel(greyed, QStringLiteral("old"));
        TrickleDevice device(joined(lines));

        QCOMPARE(readconffile(panel, device, fileName).message(), QString());
        if (lineNumber <= ConfFile::checkLineCount)
            QCOMPARE(QString::number(panel.checkState(lineNumber)), value);
        else
            QCOMPARE(u'"' + panel.lengthText(lineNumber - ConfFile::checkLineCount) + u'"', value);
    }

    void wholeFileLoadsWhateverItsLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("needed"); // bytes that may be read
        const QStringList lines = sampleLines(QStringLiteral(" 2 "));
        QByteArray mixed;
        for (int index = 0; index < lines.size(); ++index)
            mixed += lines[index].toLatin1() + (index % 2 ? "\n" : "\r\n");
        const QByteArray standard = joined(lines);
        QTest::newRow("CR LF") << standard << int(standard.size());
        QTest::newRow("LF only") << joined(lines, "\n") << int(standard.size());
        QTest::newRow("CR only") << joined(lines, "\r") << int(standard.size());
        QTest::newRow("mixed") << mixed << int(standard.size());
        QTest::newRow("no line end after line 70") << standard.chopped(2) << int(standard.size());
        QTest::newRow("75 lines") << standard + " 7 \r\n" + QByteArray(100000, 'x') + "\r\n"
                                  << int(standard.size());
    }
    void wholeFileLoadsWhateverItsLineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, needed);
        MemoryOptionPanel panel;
        TrickleDevice device(bytes);
        QCOMPARE(readconffile(panel, device, fileName).message(), QString());
        QCOMPARE(describe(panel), describe(filledPanel(greyed)));
        QVERIFY(device.taken() <= needed);
    }

    void badFileStopsAtItsLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readFails");
        QTest::addColumn<int>("failingLine");
        QTest::addColumn<QString>("message");
        const QStringList lines = sampleLines();
        const auto withLine = [&lines](int lineNumber, const QByteArray &line) {
            return joined(lines.mid(0, lineNumber - 1)) + line + "\r\n";
        };
        const QString ends = "the file ends before this line; a configuration file has 70 lines";
        const QString notAState = "\"%1\" is not a check-box state (0, 1 or 2)";
        const QString tooLong = "the line is longer than 4096 characters";
        const QByteArray longLine(ConfFile::maxLineLength + 1, 'x');

        QTest::newRow("empty file") << QByteArray() << false << 1 << ends;
        QTest::newRow("63 lines") << joined(lines.mid(0, 63)) << false << 64 << ends;
        QTest::newRow("69 lines") << joined(lines.mid(0, 69)) << false << 70 << ends;
        QTest::newRow("state 7") << withLine(17, " 7 ") << false << 17 << notAState.arg("7");
        QTest::newRow("negative") << withLine(3, "-1") << false << 3 << notAState.arg("-1");
        QTest::newRow("2.6 rounds to 3")
            << withLine(9, "2.6") << false << 9 << notAState.arg("2.6");
        QTest::newRow("beyond 16 bits")
            << withLine(60, "32768") << false << 60 << notAState.arg("32768");
        QTest::newRow("binary shown cut and replaced")
            << withLine(5, "9\x01" + QByteArray(30, 'z')) << false << 5
            << notAState.arg("9?" + QString(18, u'z') + "...");
        QTest::newRow("long state line") << withLine(5, longLine) << false << 5 << tooLong;
        QTest::newRow("long text line") << withLine(65, longLine) << false << 65 << tooLong;
        QTest::newRow("huge file without line ends")
            << QByteArray(8 << 20, '\0') << false << 1 << tooLong;
        QTest::newRow("read failure") << joined(lines.mid(0, 20)) << true << 21
                                      << "the file cannot be read (" + ioError + ")";
    }
    void badFileStopsAtItsLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readFails);
        QFETCH(int, failingLine);
        QFETCH(QString, message);
        MemoryOptionPanel panel = filledPanel(unchecked, QStringLiteral("old"));
        MemoryOptionPanel expected = filledPanel(checked);
        for (int line = failingLine; line <= ConfFile::lineCount; ++line) {
            if (line <= ConfFile::checkLineCount)
                expected.setCheckState(line, unchecked);
            else
                expected.setLengthText(line - ConfFile::checkLineCount, QStringLiteral("old"));
        }
        TrickleDevice device(bytes, readFails);

        QCOMPARE(readconffile(panel, device, fileName).message(),
            QStringLiteral("settings.cfg, line %1: ").arg(failingLine) + message);
        QCOMPARE(describe(panel), describe(expected));
        QVERIFY(device.taken() <= qint64(failingLine) * (ConfFile::maxLineLength + 2));
    }
};

PELSADO_REGISTER_TEST(ConfigurationFileTest);
#include "tst_configurationfile.moc"
