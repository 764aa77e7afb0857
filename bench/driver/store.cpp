// "Save for all terminals" through the real library and store, and the
// configuration files, measured in the driver's own process.

#include "bench.h"
#include "configurationfile.h"
#include "configurationstore.h"
#include "inprocesstransport.h"
#include "linklibrary.h"
#include "memoryoptionpanel.h"
#include "recordingmessages.h"
#include "sharedconfiguration.h"

#include <QFile>

namespace {

constexpr double targetSaveMs = 50;
constexpr double targetLargeSaveMs = 1000;
constexpr double targetFileMs = 5;
constexpr int saveRepeats = 50;
constexpr int fileRepeats = 500;
// Each save into a store that other tools have filled reads or rewrites it up
// to 60 times: a tenth of the repeats.
constexpr int fullStoreRepeatDivisor = 10;
constexpr qint64 largeStoreBytes = 10 * 1000 * 1000;
// A few records fit in this room below the store's size limit, the others are refused.
constexpr qint64 nearLimitRoomBytes = 400;
constexpr qint64 nearLimitStoreBytes = ConfigurationStore::maxStoreBytes - nearLimitRoomBytes;
constexpr int records = OptionTable::optionCount;
// A folder in memory: the same saves without a disk underneath.
const QString memoryFolder = QStringLiteral("/dev/shm");

// A store of exactly `size` bytes as the library prints it: an empty
// TERMINAL, then foreign elements another tool keeps.
QByteArray filledStore(qint64 size)
{
    const QByteArray tail = "  </OTHER>\n</wendalink-store>\n";
    QByteArray store = "<?xml version=\"1.0\"?>\n<wendalink-store>\n  <TERMINAL />\n  <OTHER>\n";
    for (int item = 0;; ++item) {
        const QByteArray line = "    <item id=\"" + QByteArray::number(item)
            + "\">a value another tool keeps &amp; reads</item>\n";
        if (store.size() + line.size() + tail.size() > size)
            return store + QByteArray(size - store.size() - tail.size(), ' ') + tail;
        store += line;
    }
}

struct Saves : Timing
{
    SharedConfigurationResult last;
    QByteArray store; // as the last save left it
    bool holdsEveryRecord() const { return allSucceeded && store.count("<PELSADOIG") == records; }
};

// Saves into the store at `path`, which starts as `content`, after one not
// counted. With `changeEveryRecord` the first option toggles, which shifts
// every record (the store skips one it holds); without, the list stays.
Saves timeSaves(OptionPanel &panel, const QString &path, const QByteArray &content, int repeats,
    bool changeEveryRecord = true)
{
    QFile file(path);
    file.remove();
    if (!content.isEmpty() && !(file.open(QIODevice::WriteOnly) && file.write(content) > 0))
        return {};
    file.close();
    qputenv(ConfigurationStore::storePathVariable, QFile::encodeName(path));
    RecordingMessages messages;
    LinkLibrary link(std::make_unique<InProcessTransport>(), messages);
    Saves saves;
    saves.last = saveForAllTerminals(link, panel);
    bool firstChecked = true;
    const auto save = [&] {
        saves.last = saveForAllTerminals(link, panel);
        return messages.shown.isEmpty() && saves.last.complete();
    };
    static_cast<Timing &>(saves) = timeMs(repeats, save, [&] {
        firstChecked = !firstChecked || !changeEveryRecord;
        panel.setCheckState(1, firstChecked ? OptionPanel::checked : OptionPanel::unchecked);
    });
    panel.setCheckState(1, OptionPanel::checked);
    if (file.open(QIODevice::ReadOnly))
        saves.store = file.readAll();
    return saves;
}

// Met when every repeat succeeded in less than `targetMs`.
void timedRow(const QString &measurement, const Timing &timing, double targetMs)
{
    Report::row(text("%1 (median / max of %2)", measurement, timing.ms.count),
        text("**%1** / %2", Report::ms(timing.ms.median), Report::ms(timing.ms.max)),
        text("< %1 ms", targetMs), timing.allSucceeded && timing.ms.max < targetMs);
}

} // namespace

bool benchStore(Scale scale)
{
    Workspace workspace;
    MemoryOptionPanel panel;
    for (int checkNumber = 1; checkNumber <= OptionTable::optionCount; ++checkNumber)
        panel.setCheckState(checkNumber, OptionPanel::checked);
    for (int textNumber = 1; textNumber <= OptionTable::lengthFieldCount; ++textNumber)
        panel.setLengthText(textNumber, QStringLiteral("12"));

    const int repeats = scale(saveRepeats);
    const int fullStoreRepeats = std::max(1, repeats / fullStoreRepeatDivisor);
    const Saves saves = timeSaves(panel, workspace.path(QStringLiteral("store.xml")), {}, repeats);
    const QString measurement
        = text("\"Save for all terminals\", %1 records, real library and store", records);
    if (!saves.holdsEveryRecord())
        return Report::failed(measurement, text("< %1 ms", targetSaveMs),
            text("the store did not get %1 records", records));
    timedRow(measurement, saves, targetSaveMs);
    Saves large = timeSaves(panel, workspace.path(QStringLiteral("large.xml")),
        filledStore(largeStoreBytes), fullStoreRepeats);
    large.allSucceeded = large.holdsEveryRecord();
    timedRow(QStringLiteral("\"Save for all terminals\" into a 10 MB store, every record changed"),
        large, targetLargeSaveMs);

    // Every save after the first finds the store full: the records that fit
    // are there already, the others are refused.
    const Saves nearLimit = timeSaves(panel, workspace.path(QStringLiteral("full.xml")),
        filledStore(nearLimitStoreBytes), fullStoreRepeats, false);
    const int refused = nearLimit.last.recordsNotWritten;
    Report::row(text("\"Save for all terminals\" refused by a store %1 bytes below its size limit "
                     "(median / max of %2)",
                    nearLimitRoomBytes, nearLimit.ms.count),
        text("**%1** / %2; %3 of %4 records not stored", Report::ms(nearLimit.ms.median),
            Report::ms(nearLimit.ms.max), refused, records),
        text("≤ the accepted save above (%1 median)", Report::ms(saves.ms.median)),
        refused > 0 && nearLimit.ms.median <= saves.ms.median);

    const QString confPath = workspace.path(QStringLiteral("bench.cfg"));
    timedRow(QStringLiteral("`writeconffile`, all options checked"),
        timeMs(scale(fileRepeats), [&] { return writeconffile(panel, confPath).succeeded(); }),
        targetFileMs);
    MemoryOptionPanel loaded;
    timedRow(QStringLiteral("`readconffile` of that file"),
        timeMs(scale(fileRepeats), [&] { return readconffile(loaded, confPath).succeeded(); }),
        targetFileMs);

    const QTemporaryDir inMemory(memoryFolder + QStringLiteral("/pelsado-bench-XXXXXX"));
    const Saves offDisk = inMemory.isValid()
        ? timeSaves(panel, inMemory.filePath(QStringLiteral("store.xml")), {}, repeats)
        : Saves {};
    Report::detail(text("\n### Save for all terminals and configuration files\n\n- After a save "
                        "the store holds %1 bytes. The same saves with the store in memory (%2): "
                        "%3 median, %4 max (all succeeded: %5).",
        saves.store.size(), memoryFolder, Report::ms(offDisk.ms.median), Report::ms(offDisk.ms.max),
        QLatin1String(offDisk.holdsEveryRecord() ? "yes" : "no")));
    return true;
}
