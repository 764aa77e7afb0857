#include "configurationfile.h"

#include "codepage.h"
#include "numericvalue.h"
#include "optionpanel.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

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

bool holdsLineBreak(const QString &text)
{
    return text.contains(QChar(carriageReturn)) || text.contains(QChar(lineFeed));
}

// A text that would not load back as it stands: a line break would shift every
// later line, an overlong line would stop the load. The message, at its line.
std::optional<QString> unsavableText(const OptionPanel &panel, const QString &name)
{
    for (int textNumber = 1; textNumber <= ConfigurationFile::textLineCount; ++textNumber) {
        const QString text = panel.lengthText(textNumber);
        QString what;
        if (holdsLineBreak(text))
            what = QStringLiteral("holds a line break");
        else if (text.size() > ConfigurationFile::maxLineLength)
            what = QStringLiteral("is longer than %1 characters")
                       .arg(ConfigurationFile::maxLineLength);
        else
            continue;
        return atLine(name, ConfigurationFile::checkLineCount + textNumber,
            QStringLiteral("the text of Text%1 %2, which a configuration file cannot keep")
                .arg(QString::number(textNumber), what));
    }
    return std::nullopt;
}

QByteArray contentOf(const OptionPanel &panel)
{
    constexpr char lineEnd[] = {carriageReturn, lineFeed};
    QStringList texts;
    // Room for the whole file at once: a byte a character, as a rule.
    qsizetype size = ConfigurationFile::lineCount * qsizetype(sizeof lineEnd)
        + ConfigurationFile::checkLineCount * 3;
    for (int textNumber = 1; textNumber <= ConfigurationFile::textLineCount; ++textNumber) {
        texts << panel.lengthText(textNumber);
        size += texts.constLast().size();
    }
    QByteArray bytes;
    bytes.reserve(size);
    // " 0 ", " 1 ", " 2 ": the number with the blank of its sign place before
    // it and one blank after it, in ASCII, which every code page shares.
    std::array<char, std::numeric_limits<qint16>::digits10 + 3> number {};
    for (int checkNumber = 1; checkNumber <= ConfigurationFile::checkLineCount; ++checkNumber) {
        const auto end = std::to_chars(
            number.data(), number.data() + number.size(), panel.checkState(checkNumber))
                             .ptr;
        bytes += ' ';
        bytes += QByteArrayView(number.data(), end);
        bytes += ' ';
        bytes += QByteArrayView(lineEnd, sizeof lineEnd);
    }
    for (const QString &text : std::as_const(texts)) {
        bytes += toCodePage(text);
        bytes += QByteArrayView(lineEnd, sizeof lineEnd);
    }
    return bytes;
}

ConfigurationFileResult notCreated(const QString &name, const QString &reason)
{
    return ConfigurationFileResult::failure(
        aboutFile(name, QStringLiteral("the file cannot be created (%1)").arg(reason)));
}

ConfigurationFileResult notWritten(const QString &name, const QString &reason)
{
    return ConfigurationFileResult::failure(aboutFile(
        name, QStringLiteral("the file cannot be written (%1); nothing was saved").arg(reason)));
}

// Pipes and devices would block the window or be replaced by a regular file.
bool isSpecialFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

const QString notRegularFile = QStringLiteral("not a regular file");

// Opens the existing file at `path` into `file`, unbuffered; the reason when
// it cannot. Its name may have been taken by a pipe or a device since it was
// checked, so on Unix it is opened without waiting and refused unless what
// was opened is a regular file.
std::optional<QString> openRegularFile(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    const int access = mode & QIODevice::WriteOnly ? O_WRONLY : O_RDONLY;
    const int fd
        = ::open(QFile::encodeName(path).constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // Without a reader, a pipe refuses to be opened for writing, as does a
    // device node without its device.
    if (fd < 0)
        return errno == ENXIO ? notRegularFile : qt_error_string(errno);
    struct stat status
    {
    };
    int flags = 0;
    std::optional<QString> problem;
    if (::fstat(fd, &status) != 0 || (flags = ::fcntl(fd, F_GETFL)) < 0
        || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        problem = qt_error_string(errno);
    else if (!S_ISREG(status.st_mode))
        problem = notRegularFile;
    else if (file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return std::nullopt;
    else
        problem = file.errorString();
    ::close(fd);
    return problem;
#else
    // No pipe can take the name of a file on Windows. WriteOnly alone would
    // empty the file as it opens it.
    file.setFileName(path);
    const QIODevice::OpenMode kept
        = mode & QIODevice::WriteOnly ? QIODevice::ReadWrite | QIODevice::ExistingOnly : mode;
    if (file.open(kept | QIODevice::Unbuffered))
        return std::nullopt;
    return file.errorString();
#endif
}

// Makes sure that the disk holds `size` bytes of the open file before any of
// its bytes is overwritten; the reason when it does not, with the file left
// as it was.
std::optional<QString> reserve(QFile &file, qint64 size)
{
    const qint64 earlierSize = file.size();
#ifdef Q_OS_UNIX
    // A longer length alone would be a hole, with no block taken from the disk.
    const int error = ::posix_fallocate(file.handle(), 0, size);
    if (error == 0)
        return std::nullopt;
    // A reservation that failed part-way may have grown the file.
    file.resize(earlierSize);
    return qt_error_string(error);
#else
    // Windows takes the clusters of a file from the disk as it grows.
    if (size <= earlierSize || file.resize(size))
        return std::nullopt;
    const QString reason = file.errorString();
    file.resize(earlierSize);
    return reason;
#endif
}

// Saves over the existing file at `path`, for a folder that takes no
// temporary file (`whyNoTemporary`). The earlier contents are given up only
// once the new ones are sure to fit.
ConfigurationFileResult writeInPlace(
    OptionPanel &panel, const QString &path, const QString &name, const QString &whyNoTemporary)
{
    if (!QFileInfo::exists(path))
        return notCreated(name, whyNoTemporary);
    QFile file;
    if (const std::optional<QString> problem = openRegularFile(file, path, QIODevice::WriteOnly))
        return notCreated(name, *problem);

    const qint16 formerResetState = panel.checkState(ConfigurationFile::factoryResetCheck);
    panel.setCheckState(ConfigurationFile::factoryResetCheck, OptionPanel::checked);
    const QByteArray bytes = contentOf(panel);
    std::optional<QString> problem = reserve(file, bytes.size());
    if (!problem) {
        if (file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size()))
            return ConfigurationFileResult::success();
        // Only an error of the disk itself ends up here, the room being reserved.
        problem = file.errorString();
        panel.setCheckState(ConfigurationFile::factoryResetCheck, formerResetState);
        return ConfigurationFileResult::failure(aboutFile(name,
            QStringLiteral("the file cannot be written in place (%1); it is left incomplete")
                .arg(*problem)));
    }
    panel.setCheckState(ConfigurationFile::factoryResetCheck, formerResetState);
    return notWritten(name, *problem);
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

// Reads a device line by line. It looks ahead a piece at a time and takes only
// the bytes of the lines asked for, so that nothing beyond them is consumed
// and no line grows beyond the limit.
class LineReader
{
public:
    enum class Outcome { line, endOfFile, tooLong, readError };

    explicit LineReader(QIODevice &device)
        : m_device(device)
    { }

    Outcome next(QByteArray &line)
    {
        line.resize(0); // keeps the room of the last line
        bool anyByte = false;
        for (;;) {
            const qint64 count = m_device.peek(m_piece.data(), anyByte ? pieceLength : firstLook);
            if (count < 0)
                return Outcome::readError;
            if (count == 0)
                return anyByte ? Outcome::line : Outcome::endOfFile;
            const QByteArrayView ahead(m_piece.data(), count);
            // The LF of a CR LF is taken with the next line, so that the last
            // line's LF is never taken at all.
            if (!anyByte && m_afterCarriageReturn && ahead.front() == lineFeed) {
                m_afterCarriageReturn = false;
                m_device.skip(1);
                continue;
            }
            m_afterCarriageReturn = false;
            anyByte = true;
            const auto *end = lineEndIn(ahead);
            const qsizetype content = end - ahead.begin();
            if (line.size() + content > ConfigurationFile::maxLineLength)
                return Outcome::tooLong;
            line += ahead.first(content);
            if (end == ahead.end()) {
                m_device.skip(content);
                continue;
            }
            m_afterCarriageReturn = *end == carriageReturn;
            m_device.skip(content + 1);
            return Outcome::line;
        }
    }

private:
    // The first look for a line is short, as lines are: every look copies
    // what it sees. A longer line is read on in large pieces, small enough
    // that a look beyond the last line needed takes little from the disk.
    static constexpr qint64 firstLook = 256;
    static constexpr qint64 pieceLength = 4096;

    // The first CR or LF, else the end.
    static const char *lineEndIn(QByteArrayView ahead)
    {
        const auto *carriage = static_cast<const char *>(
            std::memchr(ahead.data(), carriageReturn, size_t(ahead.size())));
        const char *end = carriage ? carriage : ahead.end();
        const auto *feed = static_cast<const char *>(
            std::memchr(ahead.data(), lineFeed, size_t(end - ahead.data())));
        return feed ? feed : end;
    }

    QIODevice &m_device;
    std::array<char, pieceLength> m_piece {};
    bool m_afterCarriageReturn = false;
};

// Applies one line to its control; the message when the line cannot be applied.
std::optional<QString> applyLine(OptionPanel &panel, int lineNumber, const QString &line)
{
    if (lineNumber > ConfigurationFile::checkLineCount) {
        panel.setLengthText(
            lineNumber - ConfigurationFile::checkLineCount, withoutOuterBlanks(line));
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
            .arg(ConfigurationFile::lineCount);
    case LineReader::Outcome::tooLong:
        return QStringLiteral("the line is longer than %1 characters")
            .arg(ConfigurationFile::maxLineLength);
    case LineReader::Outcome::readError:
    case LineReader::Outcome::line:
        break;
    }
    return QStringLiteral("the file cannot be read (%1)").arg(device.errorString());
}

} // namespace

ConfigurationFileResult writeconffile(OptionPanel &panel, const QString &path)
{
    const QString name = displayName(path);
    if (const std::optional<QString> problem = unsavableText(panel, name))
        return ConfigurationFileResult::failure(*problem);
    if (isSpecialFile(path))
        return notCreated(name, notRegularFile);

    QSaveFile file(path);
    // Unbuffered: a write the disk refuses, in whole or in part, fails here
    // with what reached the file, not unnoticed inside commit().
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeInPlace(panel, path, name, file.errorString());

    const qint16 formerResetState = panel.checkState(ConfigurationFile::factoryResetCheck);
    // A file not committed is discarded with `file`.
    ConfigurationFileResult result = writeconffile(panel, file, name);
    if (!result.succeeded() || file.commit())
        return result;
    panel.setCheckState(ConfigurationFile::factoryResetCheck, formerResetState);
    return notWritten(name, file.errorString());
}

ConfigurationFileResult writeconffile(
    OptionPanel &panel, QIODevice &device, const QString &fileName)
{
    if (const std::optional<QString> problem = unsavableText(panel, fileName))
        return ConfigurationFileResult::failure(*problem);
    const qint16 formerResetState = panel.checkState(ConfigurationFile::factoryResetCheck);
    panel.setCheckState(ConfigurationFile::factoryResetCheck, OptionPanel::checked);
    const QByteArray bytes = contentOf(panel);
    const qint64 written = device.write(bytes);
    if (written == bytes.size())
        return ConfigurationFileResult::success();
    panel.setCheckState(ConfigurationFile::factoryResetCheck, formerResetState);
    // A write that ends early (a disk with room for part of the file) is no
    // error to the device, which has no reason to give.
    return notWritten(fileName,
        written < 0
            ? device.errorString()
            : QStringLiteral("%1 of %2 bytes reached the file").arg(written).arg(bytes.size()));
}

ConfigurationFileResult readconffile(OptionPanel &panel, const QString &path)
{
    const auto notOpened = [&path](const QString &reason) {
        return ConfigurationFileResult::failure(aboutFile(
            displayName(path), QStringLiteral("the file cannot be opened (%1)").arg(reason)));
    };
    if (isSpecialFile(path))
        return notOpened(notRegularFile);
    // Unbuffered: beyond the last line needed, only the reader's look-ahead
    // is taken from the disk.
    QFile file;
    if (const std::optional<QString> problem = openRegularFile(file, path, QIODevice::ReadOnly))
        return notOpened(*problem);
    return readconffile(panel, file, displayName(path));
}

ConfigurationFileResult readconffile(OptionPanel &panel, QIODevice &device, const QString &fileName)
{
    LineReader reader(device);
    QByteArray bytes;
    QString line;
    for (int lineNumber = 1; lineNumber <= ConfigurationFile::lineCount; ++lineNumber) {
        const LineReader::Outcome outcome = reader.next(bytes);
        if (outcome == LineReader::Outcome::line)
            fromCodePage(bytes, line);
        const std::optional<QString> problem = outcome == LineReader::Outcome::line
            ? applyLine(panel, lineNumber, line)
            : missingLine(outcome, device);
        if (problem)
            return ConfigurationFileResult::failure(atLine(fileName, lineNumber, *problem));
    }
    return ConfigurationFileResult::success();
}
