#include "startup.h"

#include "bootsettings.h"
#include "form1.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "wendalinklibrary.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#ifndef PELSADO_VERSION_STRING
#error "the build passes the program version"
#endif

namespace {
constexpr const char *applicationName = "Pelsado";
constexpr const char *description
    = "Configures the barcode scanners of radio terminals: each terminal that asks gets the\n"
      "options chosen in the window. Takes no arguments of its own.";
} // namespace

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QString::fromLatin1(applicationName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(applicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));
}

std::optional<CommandLineAnswer> answerCommandLine(
    QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QString tryHelp = QStringLiteral("\nTry \"--help\" for the options.\n");

    if (!parser.parse(arguments))
        return CommandLineAnswer {CommandLineAnswer::usageError, parser.errorText() + tryHelp};
    if (parser.isSet(help))
        return CommandLineAnswer {0, parser.helpText()};
    if (parser.isSet(version)) {
        return CommandLineAnswer {0,
            QStringLiteral("%1 %2\n").arg(
                QCoreApplication::applicationName(), QCoreApplication::applicationVersion())};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return CommandLineAnswer {CommandLineAnswer::usageError,
            QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().first())
                + tryHelp};
    }
    return std::nullopt;
}

int printAnswer(const CommandLineAnswer &answer)
{
    std::fputs(qPrintable(answer.text), answer.exitCode == 0 ? stdout : stderr);
    return answer.exitCode;
}

int runPelsado(const StartupHooks &hooks)
{
    MessageBoxMessages messages;
    WendalinkLibrary productionLink(messages);
    LinkLibrary &link = hooks.wrapLink ? hooks.wrapLink(productionLink) : productionLink;
    BootSettings store;
    Module3 settings;

    Form1 window(settings, link, messages, store);
    if (hooks.built)
        hooks.built(window);
    window.load();
    if (hooks.loaded)
        hooks.loaded(window, settings);
    window.show();
    return QApplication::exec();
}
