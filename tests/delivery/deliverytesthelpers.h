#pragma once

#include "memoryoptionpanel.h"
#include "optiontable.h"

#include <QStringList>

// Checks the first `count` options in the option table's order.
inline void checkOptionsInTableOrder(MemoryOptionPanel &panel, int count)
{
    for (int row = 0; row < count; ++row)
        panel.setCheckState(OptionTable::options().at(row).checkNumber, OptionPanel::checked);
}

// The records that checking the first `count` options (up to 25, length fields
// empty) must give, written out here so the delivery tests do not take the
// builder's word for it. UE and UF are length options: an empty field gives "00".
inline QStringList tableOrderRecords(int count)
{
    const QStringList codes = QStringLiteral(
        "ZA Z1 Z2 RA RC RN RP QM QA QC QH QI QL QV TA TC TD TE TF UA UB UE UF VA VB")
                                  .split(u' ');
    const QString noValue(3, QChar(u'\0'));
    const QString emptyLength = QStringLiteral("00") + QChar(u'\0');
    QStringList records;
    for (const QString &code : codes.mid(0, count))
        records << code + (code == u"UE" || code == u"UF" ? emptyLength : noValue);
    return records;
}

// Records as the field log shows them: blank-separated, without their NULs.
inline QString asLogged(const QStringList &records)
{
    return records.isEmpty() ? QStringLiteral("no records")
                             : records.join(u' ').remove(QChar(u'\0'));
}
