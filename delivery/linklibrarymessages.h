#pragma once

#include <QString>

// What the operator is told when the link library cannot be reached, the same
// whether the tool loads it itself or through the link bridge.

// `file` was found neither beside `program` (the path of the program that
// loads it) nor on the system's search path.
QString libraryMissingText(const QString &file, const QString &program);
// `file` is there but no library the program can load (another word size,
// another system, no library at all).
QString libraryWrongKindText(const QString &file, const QString &reason);
// Anything else that kept the library from loading (e.g. a library it needs).
QString libraryNotLoadedText(const QString &library, const QString &reasons);
QString functionMissingText(const QString &library, const QString &function, const QString &reason);
QString bridgeFailedText(const QString &bridge, const QString &what);
