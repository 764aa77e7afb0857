#pragma once

#include "linklibraryfactory.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

class QCommandLineParser;

// A command run without a window or a display: `serve FILE` answers every
// terminal's request with the options saved in FILE until it is stopped;
// `save-all FILE` stores them once for all terminals.
struct HeadlessCommand
{
    enum class Kind { Serve, SaveAll };

    static constexpr int succeeded = 0;
    static constexpr int failed = 1;

    Kind kind = Kind::Serve;
    QString file;
    // serve's --port and --baud: taken instead of the stored texts, never stored.
    std::optional<QString> comPort;
    std::optional<QString> baudRate;
};

namespace HeadlessCommandLine {

// Whether the first argument after the program's name is a command's name.
bool namesCommand(const QStringList &arguments);
// Lists the commands and their options in `parser`, for its help and parsing.
void describe(QCommandLineParser &parser);
// The command `arguments` (the program's name first) ask for, or why they
// cannot be run.
std::variant<HeadlessCommand, QString> parse(const QStringList &arguments);

} // namespace HeadlessCommandLine

// Runs the command on the application object already made (a core one will
// do) and gives the program's exit code.
int runHeadlessCommand(const HeadlessCommand &command, LinkLoading loading = builtLinkLoading);
