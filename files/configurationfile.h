#pragma once

#include "optiontable.h"

#include <QString>

class OptionPanel;
class QIODevice;

// The configuration file keeps the option states as 70 lines of text, each
// ending in CR LF, in the 8-bit code page: the states of Check1..Check60 as
// " 0 ", " 1 " or " 2 ", then the texts of Text1..Text10 as they stand.
namespace ConfigurationFile {

constexpr int checkLineCount = OptionTable::optionCount;
constexpr int textLineCount = OptionTable::lengthFieldCount;
constexpr int lineCount = checkLineCount + textLineCount;

// Every save checks "Reset Active configuration to factory defaults", so that a
// loaded and sent configuration starts from the factory state.
constexpr int factoryResetCheck = 56;

// A line holds at most what a length field can: QLineEdit's own limit. A longer
// line is no configuration file, and reading stops before it takes up memory;
// a longer text is refused by the save, so that every saved file loads back.
constexpr int maxLineLength = 32767;

} // namespace ConfigurationFile

// What a file operation has to tell the operator: nothing on success, else one
// message naming the file, the line where it applies, and what is wrong.
class ConfigurationFileResult
{
public:
    static ConfigurationFileResult success() { return ConfigurationFileResult(QString()); }
    static ConfigurationFileResult failure(const QString &message)
    {
        return ConfigurationFileResult(message);
    }

    bool succeeded() const { return m_message.isNull(); }
    QString message() const { return m_message; }

private:
    explicit ConfigurationFileResult(const QString &message)
        : m_message(message)
    { }

    QString m_message;
};

// Writes the panel's states to `path`, used as given (no extension added).
// The file is written beside its target and replaces it only when every byte
// reached the disk, so a failed save leaves an earlier file, and Check56, as
// they were. Only where the folder takes no new file is an existing file
// written in place, once the disk holds room for the new contents. A target
// that exists but is no regular file is refused.
ConfigurationFileResult writeconffile(OptionPanel &panel, const QString &path);
// The same into a device open for writing; `fileName` names it in messages.
ConfigurationFileResult writeconffile(
    OptionPanel &panel, QIODevice &device, const QString &fileName);

// Sets the panel from the file at `path`, line by line, each line applied as
// soon as it is read; a failure stops at its line, with the earlier lines
// applied. A line ends at CR (a LF right after it belongs to the line end) or
// at a bare LF, as files edited on other systems have them. A path that names
// no regular file (a pipe, a device, a folder) is refused without opening it;
// one that turns into a pipe after that check is refused without waiting.
ConfigurationFileResult readconffile(OptionPanel &panel, const QString &path);
// The same from a device open for reading; `fileName` names it in messages.
ConfigurationFileResult readconffile(
    OptionPanel &panel, QIODevice &device, const QString &fileName);
