#pragma once

#include "optiontable.h"

#include <QString>

#include <functional>
#include <memory>

class OptionPanel;
class QIODevice;
class QSaveFile;

// The configuration file keeps the option states as 70 lines of text, each
// ending in CR LF, in the 8-bit code page: the states of Check1..Check60 as
// " 0 ", " 1 " or " 2 ", then the texts of Text1..Text10 as they stand.
namespace ConfFile {

constexpr int checkLineCount = OptionTable::optionCount;
constexpr int textLineCount = OptionTable::lengthFieldCount;
constexpr int lineCount = checkLineCount + textLineCount;

// Every save checks "Reset Active configuration to factory defaults", so that a
// loaded and sent configuration starts from the factory state.
constexpr int factoryResetCheck = 56;

// A configuration line is a few characters long; anything longer than this is
// no configuration file, and reading stops before it takes up memory.
constexpr int maxLineLength = 4096;

// Makes the save file a configuration file is written through; tests hand in
// one that fails part-way.
using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &path)>;

} // namespace ConfFile

// What a file operation has to tell the operator: nothing on success, else one
// message naming the file, the line where it applies, and what is wrong.
class ConfFileResult
{
public:
    static ConfFileResult success() { return ConfFileResult(QString()); }
    static ConfFileResult failure(const QString &message) { return ConfFileResult(message); }

    bool succeeded() const { return m_message.isNull(); }
    QString message() const { return m_message; }

private:
    explicit ConfFileResult(const QString &message)
        : m_message(message)
    { }

    QString m_message;
};

// Writes the panel's states to `path`, used as given (no extension added).
// The file is written beside its target and replaces it only when complete,
// so a failed save leaves an earlier file, and Check56, as they were.
ConfFileResult writeconffile(OptionPanel &panel, const QString &path);
ConfFileResult writeconffile(
    OptionPanel &panel, const QString &path, const ConfFile::SaveFileFactory &makeSaveFile);

// Sets the panel from the file at `path`, line by line, each line applied as
// soon as it is read; a failure stops at its line, with the earlier lines
// applied. A line ends at CR (a LF right after it belongs to the line end) or
// at a bare LF, as files edited on other systems have them.
ConfFileResult readconffile(OptionPanel &panel, const QString &path);
// The same from a device open for reading; `fileName` names it in messages.
ConfFileResult readconffile(OptionPanel &panel, QIODevice &device, const QString &fileName);
