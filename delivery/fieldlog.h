#pragma once

#include <QLoggingCategory>
#include <QString>

// The field log: what went to which terminal, and how the link opened. Off by
// default; Qt's logging rules switch it on, e.g.
// QT_LOGGING_RULES="pelsado.*.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcDelivery) // "pelsado.delivery": requests, "Save for all terminals"
Q_DECLARE_LOGGING_CATEGORY(lcLink) // "pelsado.link": the link's opening

// A command list as a person reads it: its records separated by blanks, each
// without its padding NULs ("RC TC UE04 BD"), or "no records".
QString readableRecords(const QString &list);
