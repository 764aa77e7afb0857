#include "sharedconfiguration.h"

#include "commandbuilder.h"
#include "fieldlog.h"
#include "linklibrary.h"

namespace {

const QString terminalElement = QStringLiteral("TERMINAL");
const QString recordElementPrefix = QStringLiteral("PELSADOIG");

// Removals stop at the element just past 100 characters of list (number 21),
// so elements left above it by an earlier, longer save stay unless rewritten.
constexpr int cleanupBoundCharacters = 100;
constexpr int lastRemovedRecord = cleanupBoundCharacters / CommandList::recordLength + 1;

constexpr qint32 success = 0;

QString recordElementName(int recordNumber)
{
    return recordElementPrefix + QString::number(recordNumber);
}

// Every single write and removal finds TERMINAL from the top again, so none
// depends on where the previous call left the store's position. Whether both
// calls succeeded: a change made elsewhere does not count as made.
bool positionInsideTerminal(LinkLibrary &link)
{
    const bool reset = link.xml_reset() == success;
    return link.xml_position_inside_tag(terminalElement) == success && reset;
}

} // namespace

SharedConfigurationResult saveForAllTerminals(LinkLibrary &link, OptionPanel &panel)
{
    // Nothing can change the options during the click, so one build serves
    // every record and leaves the trace showing that list.
    const QString list = buildcmdlist(panel);
    SharedConfigurationResult result;
    const int recordCount = int(list.size()) / CommandList::recordLength;
    result.recordCount = recordCount;

    for (int record = 1; record <= recordCount; ++record) {
        const bool positioned = positionInsideTerminal(link);
        const qint32 written = link.xml_write_tag(recordElementName(record),
            list.mid((record - 1) * CommandList::recordLength, CommandList::recordLength));
        if (!positioned || written != success)
            ++result.recordsNotWritten;
    }
    for (int record = recordCount + 1; record <= lastRemovedRecord; ++record) {
        const bool positioned = positionInsideTerminal(link);
        if (link.xml_remove_tag(recordElementName(record)) != success || !positioned)
            ++result.removalsFailed;
    }
    const QString removed = recordCount < lastRemovedRecord
        ? QStringLiteral("%1 to %2 removed")
              .arg(recordElementName(recordCount + 1), recordElementName(lastRemovedRecord))
        : QStringLiteral("nothing removed");
    const QString line = QStringLiteral("saved for all terminals: %1 (%2 records); %3")
                             .arg(readableRecords(list))
                             .arg(recordCount)
                             .arg(removed);
    // Records the store refused are a warning: the log shows them by default.
    if (result.complete()) {
        qCInfo(lcDelivery).noquote() << line;
    } else {
        qCWarning(lcDelivery).noquote() << line
                + QStringLiteral("; %1 of %2 records were not stored and %3 removals failed")
                      .arg(result.recordsNotWritten)
                      .arg(recordCount)
                      .arg(result.removalsFailed);
    }
    return result;
}
