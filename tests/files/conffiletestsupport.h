#pragma once

#include "configurationfile.h"
#include "memoryoptionpanel.h"

#include <QFile>
#include <QStringList>

#include <optional>

// The 70 lines of a file: every check-box line `state`, texts "T1".."T10".
inline QStringList sampleLines(const QString &state = QStringLiteral(" 1 "))
{
    QStringList lines;
    for (int line = 1; line <= ConfFile::lineCount; ++line)
        lines << (line <= ConfFile::checkLineCount
                ? state
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

// Every check box `state`; texts `text`, or "T1".."T10" as sampleLines() gives them.
inline MemoryOptionPanel filledPanel(qint16 state, const std::optional<QString> &text = {})
{
    MemoryOptionPanel panel;
    for (int line = 1; line <= ConfFile::lineCount; ++line) {
        if (line <= ConfFile::checkLineCount)
            panel.setCheckState(line, state);
        else
            panel.setLengthText(line - ConfFile::checkLineCount,
                text.value_or(QStringLiteral("T%1").arg(line - ConfFile::checkLineCount)));
    }
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
