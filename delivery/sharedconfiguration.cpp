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

QString recordElementName(int recordNumber)
{
    return recordElementPrefix + QString::number(recordNumber);
}

// Every single write and removal finds TERMINAL from the top again, so none
// depends on where the previous call left the store's position.
void positionInsideTerminal(LinkLibrary &link)
{
    link.xml_reset();
    link.xml_position_inside_tag(terminalElement);
}

} // namespace

void saveForAllTerminals(LinkLibrary &link, OptionPanel &panel)
{
    // Nothing can change the options during the click, so one build serves
    // every record and leaves the trace showing that list.
    const QString list = buildcmdlist(panel);
    const int recordCount = int(list.size()) / CommandList::recordLength;

    for (int record = 1; record <= recordCount; ++record) {
        positionInsideTerminal(link);
        link.xml_write_tag(recordElementName(record),
            list.mid((record - 1) * CommandList::recordLength, CommandList::recordLength));
    }
    for (int record = recordCount + 1; record <= lastRemovedRecord; ++record) {
        positionInsideTerminal(link);
        link.xml_remove_tag(recordElementName(record));
    }
    const QString removed = recordCount < lastRemovedRecord
        ? QStringLiteral("%1 to %2 removed")
              .arg(recordElementName(recordCount + 1), recordElementName(lastRemovedRecord))
        : QStringLiteral("nothing removed");
    qCInfo(lcDelivery).noquote() << QStringLiteral("saved for all terminals: %1 (%2 records); %3")
                                        .arg(readableRecords(list))
                                        .arg(recordCount)
                                        .arg(removed);
}
