#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's 8-bit code page: the ANSI code page on Windows, Windows-1252
// elsewhere. Texts handed to the link library and written to configuration
// files go through it. A character the code page lacks becomes "?".
QByteArray toCodePage(QStringView text);
QString fromCodePage(QByteArrayView bytes);
// The same into `text`, which keeps its room for the next call: a reader of
// many lines takes memory once.
void fromCodePage(QByteArrayView bytes, QString &text);
