#include "startup.h"

#include "bootsettings.h"
#include "form1.h"
#include "headlesscommand.h"
#include "linklibraryfactory.h"
#include "messageboxmessages.h"
#include "module3.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#ifndef PELSADO_VERSION_STRING
#error "the build passes the program version"
#endif

namespace {
constexpr const char *applicationName = "Pelsado";
constexpr const char *description
    = "Configures the barcode scanners of radio terminals. Without a command it opens the\n"
      "window, and each terminal that asks gets the options ticked there; the commands need\n"
      "no display.";
const QString tryHelp = QStringLiteral("\nTry \"--help\" for the options.\n");

struct StandardOptions
{
    QCommandLineOption help;
    QCommandLineOption version;
};

StandardOptions addStandardOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(description));
    return {parser.addHelpOption(), parser.addVersionOption()};
}

std::optional<CommandLineAnswer> informationAnswer(
    const QCommandLineParser &parser, const StandardOptions &options)
{
    // --help-all, which the help option brings along, gets the same text.
    if (parser.isSet(options.help) || parser.isSet(QStringLiteral("help-all")))
        return CommandLineAnswer {0, parser.helpText()};
    if (parser.isSet(options.version)) {
        return CommandLineAnswer {0,
            QStringLiteral("%1 %2\n").arg(
                QCoreApplication::applicationName(), QCoreApplication::applicationVersion())};
    }
    return std::nullopt;
}

} // namespace

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QString::fromLatin1(applicationName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(applicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));
}

QStringList rawArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

std::optional<CommandLineAnswer> answerInformationRequest(const QStringList &arguments)
{
    QCommandLineParser parser;
    const StandardOptions options = addStandardOptions(parser);
    HeadlessCommandLine::describe(parser);
    // The window system's own options are unknown here, so errors wait for
    // answerCommandLine.
    parser.parse(arguments);
    auto answer = informationAnswer(parser, options);
    // Without the application object the help cannot name the program itself.
    if (answer && !arguments.isEmpty())
        answer->text.replace(QLatin1String("<executable_name>"), arguments.first());
    return answer;
}

std::optional<CommandLineAnswer> answerCommandLine(
    QCommandLineParser &parser, const QStringList &arguments)
{
    const StandardOptions options = addStandardOptions(parser);
    if (!parser.parse(arguments))
        return CommandLineAnswer {CommandLineAnswer::usageError, parser.errorText() + tryHelp};
    if (auto answer = informationAnswer(parser, options))
        return answer;
    if (!parser.positionalArguments().isEmpty()) {
        return CommandLineAnswer {CommandLineAnswer::usageError,
            QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().first())
                + tryHelp};
    }
    return std::nullopt;
}

std::variant<HeadlessCommand, CommandLineAnswer> answerHeadlessCommandLine(
    const QStringList &arguments)
{
    auto command = HeadlessCommandLine::parse(arguments);
    if (const auto *error = std::get_if<QString>(&command))
        return CommandLineAnswer {CommandLineAnswer::usageError, *error + tryHelp};
    return std::get<HeadlessCommand>(std::move(command));
}

int printAnswer(const CommandLineAnswer &answer)
{
    std::fputs(qPrintable(answer.text), answer.exitCode == 0 ? stdout : stderr);
    return answer.exitCode;
}

int runPelsado()
{
    MessageBoxMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages);
    BootSettings store;
    Module3 settings;

    Form1 window(settings, *link, messages, store);
    window.load();
    window.show();
    return QApplication::exec();
}
