#pragma once

#include "headlesscommand.h"

#include <QStringList>

#include <optional>
#include <variant>

class QCommandLineParser;

// Names the application for the settings store and for --version.
void setApplicationIdentity();

// What the command line asks for instead of the window: the text to print
// (on standard output for exit code 0, standard error otherwise).
struct CommandLineAnswer
{
    static constexpr int usageError = 2;

    int exitCode;
    QString text;
};

// Answers --help and --version from the raw arguments, before the application
// object exists, so that they need no window system. Nothing otherwise.
std::optional<CommandLineAnswer> answerInformationRequest(const QStringList &arguments);
QStringList rawArguments(int argc, char **argv);
// Adds --help and --version to `parser` (which may carry options of its own)
// and parses `arguments`, the application's with the window system's options
// taken out. Nothing when the window should open.
std::optional<CommandLineAnswer> answerCommandLine(
    QCommandLineParser &parser, const QStringList &arguments);
// The command of a command line that names one (HeadlessCommandLine::namesCommand),
// or the answer to a malformed one.
std::variant<HeadlessCommand, CommandLineAnswer> answerHeadlessCommandLine(
    const QStringList &arguments);
// Prints the answer where it belongs and gives its exit code.
int printAnswer(const CommandLineAnswer &answer);

// Builds the production objects, runs the window's load handler, shows the
// window and runs the event loop until it closes.
int runPelsado();
