#include "conffiletestsupport.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint16 greyed = OptionPanel::greyed;
constexpr int resetCheck = ConfFile::factoryResetCheck;
const QString fileName = QStringLiteral("settings.cfg");
constexpr int wholeFile = ConfFile::lineCount + 1; // the stop line of a file that loads fully

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
        for (int textNumber = 1; textNumber <= ConfFile::textLineCount; ++textNumber)
            saved.setLengthText(textNumber, texts[textNumber - 1]);
        QVERIFY(writeconffile(saved, path).succeeded());
        QCOMPARE(
            fileBytes(path), fileBytes(QStringLiteral(PELSADO_TEST_DATA_DIR "/known-panel.cfg")));
        QCOMPARE(saved.checkState(resetCheck), OptionPanel::checked);

        MemoryOptionPanel loaded = filledPanel(greyed);
        loaded.setCommandTrace(QStringLiteral(", 82"));
        QVERIFY(readconffile(loaded, path).succeeded());
        saved.setLengthText(3, QStringLiteral("7"));
        saved.setLengthText(8, QStringLiteral("?"));
        QCOMPARE(describe(loaded), describe(saved));
        QCOMPARE(loaded.commandTrace(), QStringLiteral(", 82"));
    }

    void failedSaveKeepsEarlierFileAndCheck56_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("text4");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder removed before the file is in place")
            << "sub/settings.cfg" << QString()
            << "settings.cfg: the file cannot be written (No such file or directory); nothing "
               "was saved";
        QTest::newRow("line break in a text")
            << fileName << "1\n2"
            << "settings.cfg, line 64: the text of Text4 holds a line break, which a "
               "configuration file cannot keep";
    }
    void failedSaveKeepsEarlierFileAndCheck56()
    {
        QFETCH(QString, target);
        QFETCH(QString, text4);
        QFETCH(QString, message);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(fileName), "earlier\r\n"));
        QDir sub(folder.filePath(QStringLiteral("sub")));
        QVERIFY(sub.mkpath(QStringLiteral(".")));
        MemoryOptionPanel panel;
        panel.setCheckState(resetCheck, greyed);
        panel.setLengthText(4, text4);

        const auto makeSaveFile = [&sub](const QString &path) {
            auto file = std::make_unique<QSaveFile>(path);
            QObject::connect(
                file.get(), &QIODevice::aboutToClose, [&sub] { sub.removeRecursively(); });
            return file;
        };
        QCOMPARE(writeconffile(panel, folder.filePath(target), makeSaveFile).message(), message);
        QCOMPARE(fileBytes(folder.filePath(fileName)), QByteArray("earlier\r\n"));
        QCOMPARE(panel.checkState(resetCheck), greyed);
    }

    void loadAppliesEveryLineBeforeTheFirstBadOne_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // lines 2 to 70 all " 1 " or "Tn"
        QTest::addColumn<int>("check1"); // the state line 1 gives
        QTest::addColumn<int>("stopLine"); // the first line not applied
        QTest::addColumn<QString>("message");
        const QStringList lines = sampleLines();
        const QByteArray after1 = joined(lines.mid(1));
        const QString ends = "the file ends before this line; a configuration file has 70 lines";
        const QByteArray huge(8 << 20, 'x');
        QTest::newRow("empty line 1") << "\r\n" + after1 << 0 << wholeFile << "";
        QTest::newRow("1 with letters after") << " 1 abc\r\n" + after1 << 1 << wholeFile << "";
        QTest::newRow("0.5 rounds to even 0") << "0.5\r\n" + after1 << 0 << wholeFile << "";
        QTest::newRow("1.5 rounds to even 2") << "1.5\r\n" + after1 << 2 << wholeFile << "";
        QTest::newRow("LF only") << joined(lines, "\n") << 1 << wholeFile << "";
        QTest::newRow("75 lines, the rest never read")
            << joined(lines + QStringList(4, QStringLiteral(" 7 "))) + huge << 1 << wholeFile << "";
        QTest::newRow("69 lines") << joined(lines.mid(0, 69)) << 1 << 70 << ends;
        QTest::newRow("state 7") << joined(lines.mid(0, 16)) + " 7 " << 1 << 17
                                 << "\"7\" is not a check-box state (0, 1 or 2)";
        QTest::newRow("huge file without line ends")
            << huge << 0 << 1 << "the line is longer than 4096 characters";
    }
    void loadAppliesEveryLineBeforeTheFirstBadOne()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, check1);
        QFETCH(int, stopLine);
        QFETCH(QString, message);
        MemoryOptionPanel panel = filledPanel(OptionPanel::unchecked, QStringLiteral("old"));
        QStringList applied = describe(filledPanel(OptionPanel::checked)).split(u' ');
        applied[0] = QStringLiteral("Check1=%1").arg(check1);
        const QStringList untouched = describe(panel).split(u' ');
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));

        QCOMPARE(readconffile(panel, device, fileName).message(),
            message.isEmpty() ? message
                              : QStringLiteral("settings.cfg, line %1: ").arg(stopLine) + message);
        QCOMPARE(describe(panel).split(u' '),
            applied.mid(0, stopLine - 1) + untouched.mid(stopLine - 1));
        // A line is read only up to the length limit, and nothing after line 70.
        QVERIFY(device.pos() <= qint64(stopLine) * (ConfFile::maxLineLength + 2));
    }
};

QTEST_MAIN(ConfigurationFileTest)
#include "tst_configurationfile.moc"
