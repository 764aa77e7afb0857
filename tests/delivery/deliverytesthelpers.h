#pragma once

#include "memoryoptionpanel.h"
#include "optiontable.h"

#include <QString>
#include <QStringList>

// Checks the first `count` options in the option table's order.
inline void checkOptionsInTableOrder(MemoryOptionPanel &panel, int count)
{
    for (int row = 0; row < count; ++row)
        panel.setCheckState(OptionTable::options().at(row).checkNumber, OptionPanel::checked);
}

// The list that checking the first `count` options (up to 25, length fields
// empty) must give, written out by hand so the delivery tests do not take the
// builder's word for it.
inline QString tableOrderList(int count)
{
    const QString noValue(3, QChar(u'\0'));
    const QString emptyLength = QStringLiteral("00") + QChar(u'\0');
    const QStringList records = {
        "ZA" + noValue,
        "Z1" + noValue,
        "Z2" + noValue,
        "RA" + noValue,
        "RC" + noValue,
        "RN" + noValue,
        "RP" + noValue,
        "QM" + noValue,
        "QA" + noValue,
        "QC" + noValue,
        "QH" + noValue,
        "QI" + noValue,
        "QL" + noValue,
        "QV" + noValue,
        "TA" + noValue,
        "TC" + noValue,
        "TD" + noValue,
        "TE" + noValue,
        "TF" + noValue,
        "UA" + noValue,
        "UB" + noValue,
        "UE" + emptyLength,
        "UF" + emptyLength,
        "VA" + noValue,
        "VB" + noValue,
    };
    return records.mid(0, count).join(QString());
}
