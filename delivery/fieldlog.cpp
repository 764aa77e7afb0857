#include "fieldlog.h"

#include "commandbuilder.h"

#include <QStringList>

// Info lines are off unless a logging rule enables them.
Q_LOGGING_CATEGORY(lcDelivery, "pelsado.delivery", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLink, "pelsado.link", QtWarningMsg)

QString readableRecords(const QString &list)
{
    QStringList records;
    for (qsizetype at = 0; at < list.size(); at += CommandList::recordLength)
        records << list.mid(at, CommandList::recordLength).remove(QChar(u'\0'));
    return records.isEmpty() ? QStringLiteral("no records") : records.join(u' ');
}
