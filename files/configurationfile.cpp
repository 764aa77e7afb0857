#include "configurationfile.h"

#include "codepage.h"
#include "numericvalue.h"
#include "optionpanel.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace {

constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';
constexpr QChar blank(u' ');
// A state line is shown in a message up to this many characters.
constexpr int shownLineLength = 20;

// The file's own name, which is what the operator chose in the dialog.
QString displayName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

// One-pass arg(), so that a "%1" inside a file name stays as it is.
QString aboutFile(const QString &name, const QString &what)
{
    return QStringLiteral("%1: %2").arg(name, what);
}

QString atLine(const QString &name, int lineNumber, const QString &what)
{
    return QStringLiteral("%1, line %2: %3").arg(name, QString::number(lineNumber), what);
}

QString shownLine(const QString &line)
{
    QString shown = line.trimmed();
    const bool cut = shown.size() > shownLineLength;
    shown.truncate(shownLineLength);
    for (QChar &character : shown) {
        if (!character.isPrint())
            character = u'?';
    }
    return cut ? shown + QStringLiteral("...") : shown;
}

QByteArray fileLine(QStringView text)
{
    QByteArray bytes = toCodePage(text);
    bytes += carriageReturn;
    bytes += lineFeed;
    return bytes;
}

// " 0 ", " 1 ", " 2 ": the number with the blank of its sign place before it
// and one blank after it.
QString checkLine(qint16 state)
{
    return QStringLiteral(" %1 ").arg(state);
}

bool holdsLineBreak(const QString &text)
{
    return text.contains(QChar(carriageReturn)) || text.contains(QChar(lineFeed));
}

// Only the blank itself is trimmed; tabs and inner blanks are part of the text.
QString withoutOuterBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == blank)
        ++first;
    while (end > first && text[end - 1] == blank)
        --end;
    return text.mid(first, end - first);
}

// Reads a device line by line, one byte at a time, so that nothing beyond the
// lines asked for is taken from it and no line grows beyond the limit.
class LineReader
{
public:
    enum class Outcome { line, endOfFile, tooLong, readError };

    explicit LineReader(QIODevice &device)
        : m_device(device)
    { }

    Outcome next(QByteArray &line)
    {
        line.clear();
        bool anyByte = false;
        char byte = 0;
        for (;;) {
            const qint64 count = m_device.read(&byte, 1);
            if (count < 0)
                return Outcome::readError;
            if (count == 0)
                return anyByte ? Outcome::line : Outcome::endOfFile;
            // The LF of a CR LF is read with the next line, so that the
            // last line's LF is never read at all.
            const bool endOfCarriageReturn = !anyByte && m_afterCarriageReturn && byte == lineFeed;
            m_afterCarriageReturn = false;
            if (endOfCarriageReturn)
                continue;
            anyByte = true;
            if (byte == carriageReturn) {
                m_afterCarriageReturn = true;
                return Outcome::line;
            }
            if (byte == lineFeed)
                return Outcome::line;
            if (line.size() == ConfFile::maxLineLength)
                return Outcome::tooLong;
            line += byte;
        }
    }

private:
    QIODevice &m_device;
    bool m_afterCarriageReturn = false;
};

// Applies one line to its control; the message when the line cannot be applied.
std::optional<QString> applyLine(OptionPanel &panel, int lineNumber, const QString &line)
{
    if (lineNumber > ConfFile::checkLineCount) {
        panel.setLengthText(lineNumber - ConfFile::checkLineCount, withoutOuterBlanks(line));
        return std::nullopt;
    }
    const std::optional<qint16> state = toInt16HalfEven(numericValue(line));
    if (!state || *state < OptionPanel::unchecked || *state > OptionPanel::greyed) {
        return QStringLiteral("\"%1\" is not a check-box state (0, 1 or 2)").arg(shownLine(line));
    }
    panel.setCheckState(lineNumber, *state);
    return std::nullopt;
}

// Why the reader handed out no line.
QString missingLine(LineReader::Outcome outcome, const QIODevice &device)
{
    switch (outcome) {
    case LineReader::Outcome::endOfFile:
        return QStringLiteral("the file ends before this line; a configuration file has %1 lines")
            .arg(ConfFile::lineCount);
    case LineReader::Outcome::tooLong:
        return QStringLiteral("the line is longer than %1 characters").arg(ConfFile::maxLineLength);
    case LineReader::Outcome::readError:
    case LineReader::Outcome::line:
        break;
    }
    return QStringLiteral("the file cannot be read (%1)").arg(device.errorString());
}

} // namespace

ConfFileResult writeconffile(OptionPanel &panel, const QString &path)
{
    return writeconffile(
        panel, path, [](const QString &target) { return std::make_unique<QSaveFile>(target); });
}

ConfFileResult writeconffile(
    OptionPanel &panel, const QString &path, const ConfFile::SaveFileFactory &makeSaveFile)
{
    const QString name = displayName(path);
    // A line break inside a text would shift every later line when the file
    // is read back, so such a text is refused before anything is touched.
    for (int textNumber = 1; textNumber <= ConfFile::textLineCount; ++textNumber) {
        if (holdsLineBreak(panel.lengthText(textNumber))) {
            return ConfFileResult::failure(atLine(name, ConfFile::checkLineCount + textNumber,
                QStringLiteral("the text of Text%1 holds a line break, which a "
                               "configuration file cannot keep")
                    .arg(textNumber)));
        }
    }

    const std::unique_ptr<QSaveFile> file = makeSaveFile(path);
    if (!file->open(QIODevice::WriteOnly)) {
        return ConfFileResult::failure(aboutFile(
            name, QStringLiteral("the file cannot be created (%1)").arg(file->errorString())));
    }

    const qint16 formerResetState = panel.checkState(ConfFile::factoryResetCheck);
    panel.setCheckState(ConfFile::factoryResetCheck, OptionPanel::checked);

    const auto writeLine = [&file](const QString &text) {
        const QByteArray bytes = fileLine(text);
        return file->write(bytes) == bytes.size();
    };
    bool written = true;
    for (int checkNumber = 1; written && checkNumber <= ConfFile::checkLineCount; ++checkNumber)
        written = writeLine(checkLine(panel.checkState(checkNumber)));
    for (int textNumber = 1; written && textNumber <= ConfFile::textLineCount; ++textNumber)
        written = writeLine(panel.lengthText(textNumber));
    if (written && file->commit())
        return ConfFileResult::success();

    const QString reason = file->errorString();
    file->cancelWriting();
    panel.setCheckState(ConfFile::factoryResetCheck, formerResetState);
    return ConfFileResult::failure(aboutFile(
        name, QStringLiteral("the file cannot be written (%1); nothing was saved").arg(reason)));
}

ConfFileResult readconffile(OptionPanel &panel, const QString &path)
{
    QFile file(path);
    // Unbuffered: nothing after the last line needed is taken from the disk.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return ConfFileResult::failure(aboutFile(displayName(path),
            QStringLiteral("the file cannot be opened (%1)").arg(file.errorString())));
    }
    return readconffile(panel, file, displayName(path));
}

ConfFileResult readconffile(OptionPanel &panel, QIODevice &device, const QString &fileName)
{
    LineReader reader(device);
    QByteArray bytes;
    for (int lineNumber = 1; lineNumber <= ConfFile::lineCount; ++lineNumber) {
        const LineReader::Outcome outcome = reader.next(bytes);
        const std::optional<QString> problem = outcome == LineReader::Outcome::line
            ? applyLine(panel, lineNumber, fromCodePage(bytes))
            : missingLine(outcome, device);
        if (problem)
            return ConfFileResult::failure(atLine(fileName, lineNumber, *problem));
    }
    return ConfFileResult::success();
}
