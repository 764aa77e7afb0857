// "Save for all terminals" through the real library and store, and the
// configuration files, measured in the driver's own process.

#include "bench.h"
#include "configurationfile.h"
#include "inprocesstransport.h"
#include "linklibrary.h"
#include "memoryoptionpanel.h"
#include "operatormessages.h"
#include "optiontable.h"
#include "sharedconfiguration.h"

#include <QFile>
#include <QSaveFile>

#include <functional>

namespace {

constexpr double targetSaveMs = 50;
constexpr double targetLargeSaveMs = 1000;
constexpr double targetFileMs = 5;
// A store that other tools have filled; each of its saves rewrites it about
// 60 times, so it gets a tenth of the repeats.
constexpr qint64 largeStoreBytes = 10 * 1000 * 1000;
constexpr int largeStoreRepeatDivisor = 10;
constexpr int records = OptionTable::optionCount;
// A folder in memory: the same saves without a disk underneath.
const QString memoryFolder = QStringLiteral("/dev/shm");

class CollectingMessages final : public OperatorMessages
{
public:
    QStringList shown;
    void show(const QString &text) override { shown << text; }
};

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

// A row "MEASUREMENT (median / max of N)", met when every repeat succeeded in
// less than `targetMs`.
void timedRow(const QString &measurement, const Summary &ms, double targetMs, bool succeeded)
{
    Report::row(text("%1 (median / max of %2)", measurement, ms.count),
        text("**%1** / %2", Report::ms(ms.median), Report::ms(ms.max)), text("< %1 ms", targetMs),
        ms.max < targetMs && succeeded);
}

// A well-formed store of `size` bytes: TERMINAL, then foreign elements.
QByteArray largeStore()
{
    QByteArray store = "<?xml version=\"1.0\"?>\n<wendalink-store>\n  <TERMINAL/>\n  <OTHER>\n";
    for (int item = 0; store.size() < largeStoreBytes; ++item)
        store += "    <item id=\"" + QByteArray::number(item)
            + "\">a value another tool keeps &amp; reads</item>\n";
    return store + "  </OTHER>\n</wendalink-store>\n";
}

struct Saves
{
    bool measured = false;
    bool allSucceeded = false;
    Summary ms;
    QByteArray store;
};

// "Save for all terminals" into the store at `path`, which starts as
// `content`. The first save (creating the records) is not counted; in the
// others the first option is checked every other time, which shifts every
// record, so that each save changes all of them (the store skips a record it
// already holds).
Saves timeSaves(OptionPanel &panel, const QString &path, const QByteArray &content, int repeats)
{
    QFile::remove(path);
    QFile file(path);
    if (!content.isEmpty()
        && (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()))
        return {};
    file.close();
    qputenv("WENDALINK_STORE", QFile::encodeName(path));
    CollectingMessages messages;
    LinkLibrary link(std::make_unique<InProcessTransport>(), messages);
    saveForAllTerminals(link, panel);
    Saves saves;
    bool firstChecked = true;
    saves.ms = timeMs(
        repeats,
        [&] {
            firstChecked = !firstChecked;
            panel.setCheckState(1, firstChecked ? OptionPanel::checked : OptionPanel::unchecked);
            saveForAllTerminals(link, panel);
            return messages.shown.isEmpty();
        },
        saves.allSucceeded);
    panel.setCheckState(1, OptionPanel::checked);
    if (file.open(QIODevice::ReadOnly))
        saves.store = file.readAll();
    saves.measured = messages.shown.isEmpty() && saves.store.count("<PELSADOIG") == records;
    return saves;
}

} // namespace

bool benchStore(int saveRepeats, int fileRepeats)
{
    Workspace workspace;
    MemoryOptionPanel panel;
    for (int checkNumber = 1; checkNumber <= OptionTable::optionCount; ++checkNumber)
        panel.setCheckState(checkNumber, OptionPanel::checked);
    for (int textNumber = 1; textNumber <= OptionTable::lengthFieldCount; ++textNumber)
        panel.setLengthText(textNumber, QStringLiteral("12"));

    const QString noRecords = text("the store did not get %1 records", records);
    const QString saveMeasurement
        = text("\"Save for all terminals\", %1 records, real library and store", records);
    const Saves onDisk
        = timeSaves(panel, workspace.path(QStringLiteral("store.xml")), {}, saveRepeats);
    if (!onDisk.measured)
        return Report::failed(saveMeasurement, text("< %1 ms", targetSaveMs), noRecords);
    timedRow(saveMeasurement, onDisk.ms, targetSaveMs, onDisk.allSucceeded);
    const int largeRepeats = std::max(1, saveRepeats / largeStoreRepeatDivisor);
    const QString largeMeasurement
        = QStringLiteral("\"Save for all terminals\" into a 10 MB store, every record changed");
    const QByteArray large = largeStore();
    const Saves largeOnDisk
        = timeSaves(panel, workspace.path(QStringLiteral("large.xml")), large, largeRepeats);
    if (largeOnDisk.measured)
        timedRow(largeMeasurement, largeOnDisk.ms, targetLargeSaveMs, largeOnDisk.allSucceeded);
    else
        Report::failed(largeMeasurement, text("< %1 ms", targetLargeSaveMs), noRecords);

    const QString confPath = workspace.path(QStringLiteral("bench.cfg"));
    bool written = false;
    const Summary write = timeMs(
        fileRepeats, [&] { return writeconffile(panel, confPath).succeeded(); }, written);
    timedRow(QStringLiteral("`writeconffile`, all options checked"), write, targetFileMs, written);
    MemoryOptionPanel loaded;
    bool read = false;
    const Summary readBack = timeMs(
        fileRepeats, [&] { return readconffile(loaded, confPath).succeeded(); }, read);
    timedRow(QStringLiteral("`readconffile` of that file"), readBack, targetFileMs, read);

    // One of the 60 atomic rewrites of a save alone, flushed to disk.
    const QString rewritePath = workspace.path(QStringLiteral("rewrite.xml"));
    bool rewritten = false;
    const Summary rewrite = timeMs(
        saveRepeats,
        [&] {
            QSaveFile copy(rewritePath);
            return copy.open(QIODevice::WriteOnly)
                && copy.write(onDisk.store) == onDisk.store.size() && copy.commit();
        },
        rewritten);
    const QTemporaryDir inMemory(memoryFolder + QStringLiteral("/pelsado-bench-XXXXXX"));
    const Saves offDisk = inMemory.isValid()
        ? timeSaves(panel, inMemory.filePath(QStringLiteral("store.xml")), {}, saveRepeats)
        : Saves {};

    const auto yesNo = [](bool value) {
        return QLatin1String(value ? "yes" : "no");
    };
    Report::detail(text("\n### Save for all terminals and configuration files\n\n- After a save "
                        "the store holds %1 bytes. One of its %2 rewrites alone, without the "
                        "library: %3 (median; max %4), %5 for %2.\n- The same saves with the "
                        "store in memory (%6): %7 median, %8 max. Into the 10 MB store (%9 "
                        "bytes): %10 median.\n- Every operation succeeded: saves %11, rewrites "
                        "%12, file writes %13, file reads %14.",
        onDisk.store.size(), records, Report::ms(rewrite.median), Report::ms(rewrite.max),
        Report::ms(rewrite.median * records), memoryFolder, Report::ms(offDisk.ms.median),
        Report::ms(offDisk.ms.max), large.size(), Report::ms(largeOnDisk.ms.median),
        yesNo(onDisk.allSucceeded && largeOnDisk.allSucceeded && offDisk.allSucceeded),
        yesNo(rewritten), yesNo(written), yesNo(read)));
    return true;
}
