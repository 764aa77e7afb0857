#pragma once

#include <QtGlobal>

// Results of the library's functions; 0 is success everywhere.
namespace WendalinkResult {
constexpr qint32 ok = 0;
constexpr qint32 notOpen = 1; // no port open, or the line went away
constexpr qint32 badArgument = 2; // a null pointer, a number out of range, an empty list
constexpr qint32 cannotOpen = 3; // the port cannot be opened
constexpr qint32 unsupportedBaud = 4;
constexpr qint32 noAnswer = 5; // the base station did not answer in time
constexpr qint32 writeFailed = 6;
constexpr qint32 nothingReceived = 7;
constexpr qint32 storeFailed = 9;
} // namespace WendalinkResult
