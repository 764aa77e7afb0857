#pragma once

#include <QString>

// What the operator is told when the link library cannot be reached, the same
// whether the tool loads it itself or through the link bridge.
QString libraryNotLoadedText(const QString &library, const QString &reasons);
QString functionMissingText(const QString &library, const QString &function, const QString &reason);
QString bridgeFailedText(const QString &bridge, const QString &what);
