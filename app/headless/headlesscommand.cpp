#include "headlesscommand.h"

#include "bootsettings.h"
#include "configurationfile.h"
#include "headlessserver.h"
#include "loggedmessages.h"
#include "optionstates.h"
#include "sharedconfiguration.h"
#include "stopsignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString serveName = QStringLiteral("serve");
const QString saveAllName = QStringLiteral("save-all");
const QString portName = QStringLiteral("port");
const QString baudName = QStringLiteral("baud");

// What the window's operator would watch: each opening of the link and each
// request. Qt's logging rules from the environment still override these.
constexpr const char *serveLogRules = "pelsado.link.info=true\npelsado.delivery.info=true";
// save-all tells the records the store refused in its own one line; the
// field log's warning would tell them twice.
constexpr const char *saveAllLogRules = "pelsado.delivery.warning=false";

// The command's name and the file.
constexpr int commandArgumentCount = 2;

void printLine(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

int serve(const HeadlessCommand &command, LinkLoading loading)
{
    QLoggingCategory::setFilterRules(QString::fromLatin1(serveLogRules));
    LoggedMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages, loading);
    BootSettings store;
    HeadlessServer server(command, *link, messages, store);
    if (const ConfigurationFileResult read = server.readOptions(); !read.succeeded()) {
        printLine(read.message());
        return HeadlessCommand::failed;
    }
    // Watched before the link opens: a stop asked for meanwhile waits in the
    // event loop and closes the link once it is open.
    StopSignals requests;
    QObject::connect(
        &requests, &StopSignals::rereadRequested, &requests, [&server] { server.reread(); });
    QObject::connect(&requests, &StopSignals::stopRequested, QCoreApplication::instance(),
        &QCoreApplication::quit);
    server.start();
    QCoreApplication::exec();
    server.stop();
    return HeadlessCommand::succeeded;
}

int saveAll(const HeadlessCommand &command, LinkLoading loading)
{
    OptionStates options;
    if (const ConfigurationFileResult read = readconffile(options, command.file);
        !read.succeeded()) {
        printLine(read.message());
        return HeadlessCommand::failed;
    }
    QLoggingCategory::setFilterRules(QString::fromLatin1(saveAllLogRules));
    LoggedMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages, loading);
    const SharedConfigurationResult result = saveForAllTerminals(*link, options);
    if (result.complete())
        return HeadlessCommand::succeeded;
    // Named as the file's own messages name it.
    QString line = QStringLiteral("%1: %2 of %3 records were not written to the shared "
                                  "configuration store")
                       .arg(QFileInfo(command.file).fileName())
                       .arg(result.recordsNotWritten)
                       .arg(result.recordCount);
    if (result.removalsFailed != 0)
        line += QStringLiteral(
            "; %1 elements an earlier, longer list may have left could not be removed")
                    .arg(result.removalsFailed);
    printLine(line);
    return HeadlessCommand::failed;
}

} // namespace

namespace HeadlessCommandLine {

bool namesCommand(const QStringList &arguments)
{
    return arguments.size() > 1 && (arguments.at(1) == serveName || arguments.at(1) == saveAllName);
}

void describe(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("serve FILE"),
        QStringLiteral("Answers every terminal's request with the options saved in FILE, "
                       "without a window, until interrupted or terminated; SIGHUP reads FILE "
                       "again."),
        QStringLiteral("[serve [--port PORT] [--baud RATE] FILE"));
    parser.addPositionalArgument(QStringLiteral("save-all FILE"),
        QStringLiteral("Stores the options saved in FILE for all terminals, as \"Save for all "
                       "terminals\" does, and exits."),
        QStringLiteral("| save-all FILE]"));
    parser.addOption({portName,
        QStringLiteral("serve: the serial port (e.g. 2 or Com2) instead of the stored one; "
                       "not stored."),
        QStringLiteral("PORT")});
    parser.addOption(
        {baudName, QStringLiteral("serve: the baud rate instead of the stored one; not stored."),
            QStringLiteral("RATE")});
}

std::variant<HeadlessCommand, QString> parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return parser.errorText();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < commandArgumentCount)
        return QStringLiteral("%1 needs the name of a configuration file.").arg(positional.first());
    if (positional.size() > commandArgumentCount)
        return QStringLiteral("Unexpected argument \"%1\".")
            .arg(positional.at(commandArgumentCount));

    HeadlessCommand command;
    command.kind = positional.first() == serveName ? HeadlessCommand::Kind::Serve
                                                   : HeadlessCommand::Kind::SaveAll;
    command.file = positional.at(1);
    if (parser.isSet(portName))
        command.comPort = parser.value(portName);
    if (parser.isSet(baudName))
        command.baudRate = parser.value(baudName);
    if (command.kind == HeadlessCommand::Kind::SaveAll && (command.comPort || command.baudRate))
        return QStringLiteral("save-all opens no port: --port and --baud belong to serve.");
    return command;
}

} // namespace HeadlessCommandLine

int runHeadlessCommand(const HeadlessCommand &command, LinkLoading loading)
{
    return command.kind == HeadlessCommand::Kind::Serve ? serve(command, loading)
                                                        : saveAll(command, loading);
}
