#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// The number with which a text begins, the way operators' settings texts and
// configuration-file lines are read: blanks, tabs and line feeds are skipped
// wherever they stand, so "19 200" reads as 19200 and "96x" as 96. A text that
// begins with "&H" or "&O" is hexadecimal or octal. Reading stops at the first
// character that does not fit; a text without a number gives 0.
double numericValue(QStringView text);

// Rounds to the nearest whole number, halves to the even neighbour
// (0.5 -> 0, 1.5 -> 2, 2.5 -> 2). Empty when the result does not fit the
// type, and for NaN.
std::optional<qint16> toInt16HalfEven(double value);
std::optional<qint32> toInt32HalfEven(double value);
