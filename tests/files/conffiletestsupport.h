#pragma once

#include "configurationfile.h"
#include "memoryoptionpanel.h"

#include <QFile>
#include <QStringList>

// The 70 lines of a file: every check-box line " 1 ", texts "T1".."T10".
inline QStringList sampleLines()
{
    QStringList lines;
    for (int line = 1; line <= ConfFile::lineCount; ++line)
        lines << (line <= ConfFile::checkLineCount
                ? QStringLiteral(" 1 ")
                : QStringLiteral("T%1").arg(line - ConfFile::checkLineCount));
    return lines;
}

inline QByteArray joined(const QStringList &lines, const QByteArray &ending = "\r\n")
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + ending;
    return bytes;
}

// Every check box `state`; every text `text`, or "T1".."T10" as sampleLines() gives them.
inline MemoryOptionPanel filledPanel(qint16 state, const QString &text = QString())
{
    MemoryOptionPanel panel;
    for (int checkNumber = 1; checkNumber <= ConfFile::checkLineCount; ++checkNumber)
        panel.setCheckState(checkNumber, state);
    for (int textNumber = 1; textNumber <= ConfFile::textLineCount; ++textNumber)
        panel.setLengthText(
            textNumber, text.isEmpty() ? QStringLiteral("T%1").arg(textNumber) : text);
    return panel;
}

// All states and texts in one text, so that a comparison shows what differs.
inline QString describe(const OptionPanel &panel)
{
    QStringList parts;
    for (int n = 1; n <= ConfFile::checkLineCount; ++n)
        parts << QStringLiteral("Check%1=%2").arg(n).arg(panel.checkState(n));
    for (int n = 1; n <= ConfFile::textLineCount; ++n)
        parts << QStringLiteral("Text%1=\"%2\"").arg(n).arg(panel.lengthText(n));
    return parts.join(u' ');
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
