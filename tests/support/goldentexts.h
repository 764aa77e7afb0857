#pragma once

#include <QFile>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <utility>

// The texts an operator reads, from tests/data/operator-texts.list, which is
// typed from the documented wording: a test compares what a window shows or a
// message box was given with these, never with the program's own constants.
namespace GoldenTexts {

using Values = QHash<QString, QString>;
using Entry = std::pair<QString, QString>; // where it is read, the text

// Every entry in the list's order, "\n" already a line break.
inline const QList<Entry> &entries()
{
    static const QList<Entry> all = [] {
        QFile file(QStringLiteral(PELSADO_GOLDEN_TEXTS));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            qFatal("the golden texts cannot be read from %s", qPrintable(file.fileName()));
        QList<Entry> read;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype open = line.indexOf(u'"');
            const qsizetype close = line.lastIndexOf(u'"');
            if (line.startsWith(u'#') || open < 1 || close <= open)
                continue;
            read.append({line.left(open).trimmed(),
                line.mid(open + 1, close - open - 1)
                    .replace(QLatin1String("\\n"), QLatin1String("\n"))});
        }
        return read;
    }();
    return all;
}

// `text` with each {name} of `values` filled in; other placeholders stay.
inline QString filled(QString text, const Values &values)
{
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        text.replace(QLatin1Char('{') + value.key() + QLatin1Char('}'), value.value());
    return text;
}

// The first text read where `name` says, filled from `values`.
inline QString text(const QString &name, const Values &values = {})
{
    for (const auto &[where, golden] : entries()) {
        if (where == name)
            return filled(golden, values);
    }
    return QStringLiteral("(no golden text named %1)").arg(name);
}

// Matches the whole text named `name`; a placeholder not filled from `values`
// (the system's reason, say) stands for any text that is not empty.
inline QRegularExpression pattern(const QString &name, const Values &values = {})
{
    static const QRegularExpression escapedPlaceholder(QStringLiteral(R"(\\\{\w+\\\})"));
    const QString regex = QRegularExpression::escape(text(name, values))
                              .replace(escapedPlaceholder, QStringLiteral("(.+)"));
    return QRegularExpression(
        QRegularExpression::anchoredPattern(regex), QRegularExpression::DotMatchesEverythingOption);
}

} // namespace GoldenTexts
