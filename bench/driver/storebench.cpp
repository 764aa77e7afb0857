#include "benchclock.h"
#include "benchmarks.h"
#include "configurationfile.h"
#include "inprocesstransport.h"
#include "linklibrary.h"
#include "memoryoptionpanel.h"
#include "operatormessages.h"
#include "optiontable.h"
#include "report.h"
#include "sharedconfiguration.h"
#include "statistics.h"
#include "workspace.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double targetSaveMs = 50;
constexpr double targetLargeSaveMs = 1000;
// A store that other tools have filled, and the share of the save counts
// spent on it (each of its saves rewrites it about 60 times).
constexpr qint64 largeStoreBytes = 10 * 1000 * 1000;
constexpr int largeStoreRepeatDivisor = 10;
constexpr double targetFileMs = 5;
constexpr int expectedRecords = OptionTable::optionCount;
// A folder in memory: the same saves without a disk underneath.
const QString memoryFolder = QStringLiteral("/dev/shm");
const QString lengthText = QStringLiteral("12");

const QString saveMeasurement
    = QStringLiteral("\"Save for all terminals\", %1 records, real library and store")
          .arg(expectedRecords);

// The library reports a loading failure to the operator; here that means the
// figures would measure nothing.
class CollectingMessages final : public OperatorMessages
{
public:
    QStringList shown;
    void show(const QString &text) override { shown << text; }
};

void checkEverything(MemoryOptionPanel &panel)
{
    for (int checkNumber = 1; checkNumber <= OptionTable::optionCount; ++checkNumber)
        panel.setCheckState(checkNumber, OptionPanel::checked);
    for (int textNumber = 1; textNumber <= OptionTable::lengthFieldCount; ++textNumber)
        panel.setLengthText(textNumber, lengthText);
}

Summary timeMs(int repeats, const std::function<bool()> &operation, bool &allSucceeded)
{
    std::vector<double> durations;
    allSucceeded = true;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        const qint64 start = monotonicNs();
        allSucceeded = operation() && allSucceeded;
        durations.push_back(double(monotonicNs() - start) / nsPerMs);
    }
    return summarize(durations);
}

QString medianAndMax(const Summary &summary)
{
    return QStringLiteral("**%1** / %2").arg(Report::ms(summary.median), Report::ms(summary.max));
}

int storedRecords(const QString &storePath)
{
    QFile store(storePath);
    if (!store.open(QIODevice::ReadOnly))
        return 0;
    return int(store.readAll().count("<PELSADOIG"));
}

// Saves whose every record differs from the one before (the store skips a
// record it already holds): the first option is checked every other time,
// which shifts every record. It is checked again at the end.
Summary timeChangingSaves(LinkLibrary &link, OptionPanel &panel, CollectingMessages &messages,
    int repeats, bool &allSucceeded)
{
    bool firstChecked = true;
    const Summary saves = timeMs(
        repeats,
        [&] {
            firstChecked = !firstChecked;
            panel.setCheckState(1, firstChecked ? OptionPanel::checked : OptionPanel::unchecked);
            saveForAllTerminals(link, panel);
            return messages.shown.isEmpty();
        },
        allSucceeded);
    panel.setCheckState(1, OptionPanel::checked);
    return saves;
}

struct SaveFigures
{
    bool measured = false;
    QString problem;
    Summary save;
    bool allSucceeded = false;
    QByteArray store;
};

// Times "Save for all terminals" with the store at `storePath`; the first
// save, which creates the store and its TERMINAL element, is not counted.
SaveFigures timeSaves(LinkLibrary &link, OptionPanel &panel, CollectingMessages &messages,
    const QString &storePath, int repeats)
{
    SaveFigures figures;
    qputenv("WENDALINK_STORE", storePath.toLocal8Bit());
    saveForAllTerminals(link, panel);
    if (!messages.shown.isEmpty()) {
        figures.problem = messages.shown.join(u' ');
        return figures;
    }
    if (storedRecords(storePath) != expectedRecords) {
        figures.problem = QStringLiteral("the store did not get %1 records").arg(expectedRecords);
        return figures;
    }
    figures.save = timeChangingSaves(link, panel, messages, repeats, figures.allSucceeded);
    QFile store(storePath);
    if (store.open(QIODevice::ReadOnly))
        figures.store = store.readAll();
    figures.measured = true;
    return figures;
}

// A well-formed store of `size` bytes: TERMINAL, then foreign elements.
QByteArray largeStore(qint64 size)
{
    QByteArray store = "<?xml version=\"1.0\"?>\n<wendalink-store>\n  <TERMINAL/>\n  <OTHER>\n";
    for (int item = 0; store.size() < size; ++item) {
        store += "    <item id=\"" + QByteArray::number(item)
            + "\">a value another tool keeps &amp; reads</item>\n";
    }
    return store + "  </OTHER>\n</wendalink-store>\n";
}

// "Save for all terminals" into a 10 MB store; the first save, which reads
// the store, is not counted.
SaveFigures timeLargeSaves(LinkLibrary &link, OptionPanel &panel, CollectingMessages &messages,
    const QString &storePath, int repeats)
{
    SaveFigures figures;
    QFile store(storePath);
    const QByteArray content = largeStore(largeStoreBytes);
    if (!store.open(QIODevice::WriteOnly) || store.write(content) != content.size()) {
        figures.problem = QStringLiteral("cannot write %1").arg(storePath);
        return figures;
    }
    store.close();
    qputenv("WENDALINK_STORE", storePath.toLocal8Bit());
    saveForAllTerminals(link, panel);
    figures.save = timeChangingSaves(link, panel, messages, repeats, figures.allSucceeded);
    figures.allSucceeded = figures.allSucceeded && storedRecords(storePath) == expectedRecords;
    figures.measured = true;
    return figures;
}

} // namespace

bool benchStore(const StoreSettings &settings)
{
    Workspace workspace;
    CollectingMessages messages;
    InProcessTransport inProcess;
    LinkLibrary link(inProcess, messages);
    MemoryOptionPanel panel;
    checkEverything(panel);

    const QString saveTarget = QStringLiteral("< %1 ms").arg(targetSaveMs);
    const SaveFigures onDisk = timeSaves(
        link, panel, messages, workspace.path(QStringLiteral("store.xml")), settings.saveRepeats);
    if (!onDisk.measured) {
        Report::failed(saveMeasurement, saveTarget, onDisk.problem);
        return false;
    }
    Report::row(saveMeasurement + QStringLiteral(" (median / max of %1)").arg(onDisk.save.count),
        medianAndMax(onDisk.save), saveTarget,
        Report::verdict(onDisk.save.median < targetSaveMs && onDisk.save.max < targetSaveMs
            && onDisk.allSucceeded));

    const QTemporaryDir inMemory(memoryFolder + QStringLiteral("/pelsado-bench-XXXXXX"));
    const SaveFigures offDisk = inMemory.isValid()
        ? timeSaves(link, panel, messages, inMemory.filePath(QStringLiteral("store.xml")),
            settings.saveRepeats)
        : SaveFigures {};

    // What each of the 60 atomic rewrites costs without the library around
    // it, with and without the flush to disk that makes it durable.
    const QString rewritePath = workspace.path(QStringLiteral("rewrite.xml"));
    bool rewritten = false;
    const Summary flushed = timeMs(
        settings.saveRepeats,
        [&] {
            QSaveFile copy(rewritePath);
            return copy.open(QIODevice::WriteOnly)
                && copy.write(onDisk.store) == onDisk.store.size() && copy.commit();
        },
        rewritten);
    const QString unflushedPath = rewritePath + QStringLiteral(".new");
    bool renamed = false;
    const Summary unflushed = timeMs(
        settings.saveRepeats,
        [&] {
            QFile copy(unflushedPath);
            const bool written = copy.open(QIODevice::WriteOnly)
                && copy.write(onDisk.store) == onDisk.store.size();
            copy.close();
            return written
                && std::rename(QFile::encodeName(unflushedPath).constData(),
                       QFile::encodeName(rewritePath).constData())
                == 0;
        },
        renamed);

    const int largeRepeats = std::max(1, settings.saveRepeats / largeStoreRepeatDivisor);
    const QString largeMeasurement
        = QStringLiteral("\"Save for all terminals\" into a 10 MB store, every record changed");
    const QString largeTarget = QStringLiteral("< %1 ms").arg(targetLargeSaveMs);
    const SaveFigures large = timeLargeSaves(
        link, panel, messages, workspace.path(QStringLiteral("large.xml")), largeRepeats);
    const SaveFigures largeInMemory = inMemory.isValid()
        ? timeLargeSaves(
            link, panel, messages, inMemory.filePath(QStringLiteral("large.xml")), largeRepeats)
        : SaveFigures {};
    if (large.measured) {
        Report::row(
            largeMeasurement + QStringLiteral(" (median / max of %1)").arg(large.save.count),
            medianAndMax(large.save), largeTarget,
            Report::verdict(large.save.median < targetLargeSaveMs
                && large.save.max < targetLargeSaveMs && large.allSucceeded));
    } else {
        Report::failed(largeMeasurement, largeTarget, large.problem);
    }

    const QString fileTarget = QStringLiteral("< %1 ms").arg(targetFileMs);
    const QString confPath = workspace.path(QStringLiteral("bench.cfg"));
    bool written = false;
    const Summary write = timeMs(
        settings.fileRepeats, [&] { return writeconffile(panel, confPath).succeeded(); }, written);
    Report::row(QStringLiteral("`writeconffile`, all options checked (median / max of %1)")
                    .arg(write.count),
        medianAndMax(write), fileTarget,
        Report::verdict(write.median < targetFileMs && write.max < targetFileMs && written));

    MemoryOptionPanel loaded;
    bool read = false;
    const Summary readBack = timeMs(
        settings.fileRepeats, [&] { return readconffile(loaded, confPath).succeeded(); }, read);
    Report::row(
        QStringLiteral("`readconffile` of that file (median / max of %1)").arg(readBack.count),
        medianAndMax(readBack), fileTarget,
        Report::verdict(readBack.median < targetFileMs && readBack.max < targetFileMs && read));

    const auto yesNo = [](bool value) {
        return value ? QStringLiteral("yes") : QStringLiteral("no");
    };
    Report::detail(QStringLiteral("\n### Save for all terminals and configuration files\n"));
    Report::detail(
        QStringLiteral("- One save rewrites the store file %1 times: each record is written at "
                       "once and atomically (temporary file, flush to disk, rename). The store "
                       "then holds %2 bytes.")
            .arg(expectedRecords)
            .arg(onDisk.store.size()));
    Report::detail(
        QStringLiteral("- One such rewrite alone, without the library: %1 (median; max %2), "
                       "%3 for %4. Without the flush to disk (write, then rename): %5 (max %6).")
            .arg(Report::ms(flushed.median), Report::ms(flushed.max),
                Report::ms(flushed.median * expectedRecords), QString::number(expectedRecords),
                Report::ms(unflushed.median), Report::ms(unflushed.max)));
    if (offDisk.measured) {
        Report::detail(
            QStringLiteral("- The same saves with the store in memory (%1, no disk "
                           "underneath): %2 median, %3 max; this is the tool's and "
                           "the library's own work.")
                .arg(memoryFolder, Report::ms(offDisk.save.median), Report::ms(offDisk.save.max)));
    }
    if (large.measured) {
        Report::detail(
            QStringLiteral("- Into a 10 MB store (%1 bytes) every save rewrites it whole and "
                           "durably once per changed record, about 600 MB of flushed writes; "
                           "its median is %2 on disk%3. The store is read once, and each "
                           "rewrite prints only the TERMINAL element afresh.")
                .arg(largeStore(largeStoreBytes).size())
                .arg(Report::ms(large.save.median),
                    largeInMemory.measured
                        ? QStringLiteral(" and %1 in memory (%2)")
                              .arg(Report::ms(largeInMemory.save.median), memoryFolder)
                        : QString()));
    }
    Report::detail(QStringLiteral("- Every operation succeeded: saves %1, rewrites %2, file "
                                  "writes %3, file reads %4.")
                       .arg(yesNo(onDisk.allSucceeded && (!offDisk.measured || offDisk.allSucceeded)
                                && (!large.measured || large.allSucceeded)),
                           yesNo(rewritten && renamed), yesNo(written), yesNo(read)));
    return true;
}
