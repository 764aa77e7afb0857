// wendalink-sim: plays the base station or the terminals at the other end of
// the link library's serial line, on a pseudo-terminal.

#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

constexpr int exitUsage = 2;
constexpr int exitFailure = 1;
constexpr double maxAutoSeconds = 24 * 60 * 60;
constexpr double msPerSecond = 1000;

const char *const description
    = "wendalink-sim --link PATH [--mode base|serial] [--terminals N] [--auto SECONDS]\n"
      "\n"
      "Plays a radio base station and its terminals at the other end of a serial line,\n"
      "on a pseudo-terminal.";

const char *const commandsHelp
    = "\n"
      "Commands on standard input, one per line:\n"
      "  request [TERMINAL [TEXT...]]  terminal TERMINAL (default 1) sends TEXT\n"
      "                                (default \"LASER RESET\")\n"
      "  noise N                       writes N random bytes on the line (N up to 1048576)\n"
      "  flood SECONDS                 writes the largest valid frames as fast as the line\n"
      "                                takes them, for SECONDS (up to 3600)\n"
      "  hangup                        closes the line\n"
      "  quit                          ends the simulator (so does end of input)\n";

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(stopPipe[1], &byte, 1);
}

// A signal only writes to a pipe; the event loop reads it and ends as `quit`
// would, so that the link is removed on the way out.
bool installSignalHandlers()
{
    if (pipe(stopPipe) != 0)
        return false;
    for (const int descriptor : stopPipe)
        fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A reader of standard output that went away must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int refuse(const QString &reason)
{
    std::fprintf(stderr, "wendalink-sim: %s\nTry \"wendalink-sim --help\" for the options.\n",
        qPrintable(reason));
    return exitUsage;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wendalink-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Make <PATH> a symbolic link to the pseudo-terminal (required); the link "
                       "library takes it as port 1 with WENDALINK_COM1=PATH."),
        QStringLiteral("PATH"));
    const QCommandLineOption mode(QStringLiteral("mode"),
        QStringLiteral("base (default): a base station that answers the initialisation; "
                       "serial: terminals on a plain serial link."),
        QStringLiteral("base|serial"), QStringLiteral("base"));
    const QCommandLineOption terminals(QStringLiteral("terminals"),
        QStringLiteral("Terminals 1 to <N>, N from 1 to 65535 (default 2)."), QStringLiteral("N"),
        QString::number(SimulatorOptions::defaultTerminals));
    const QCommandLineOption autoPeriod(QStringLiteral("auto"),
        QStringLiteral("Every terminal asks for its configuration at this period."),
        QStringLiteral("SECONDS"));
    parser.addOptions({link, mode, terminals, autoPeriod});

    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty())
            return refuse(parser.errorText());
        const QString dashes
            = unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
        return refuse(QStringLiteral("unknown option ") + dashes + unknown.first());
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText() + QString::fromLatin1(commandsHelp)), stdout);
        return EXIT_SUCCESS;
    }
    if (parser.isSet(version)) {
        std::printf("wendalink-sim %s\n", PELSADO_VERSION_STRING);
        return EXIT_SUCCESS;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            QStringLiteral("unexpected argument ") + parser.positionalArguments().first());

    SimulatorOptions options;
    options.linkPath = parser.value(link);
    if (options.linkPath.isEmpty())
        return refuse(QStringLiteral("--link PATH is required"));
    if (parser.value(mode) == QLatin1String("serial"))
        options.mode = SimulatorMode::Serial;
    else if (parser.value(mode) != QLatin1String("base"))
        return refuse(QStringLiteral("--mode must be base or serial, not ") + parser.value(mode));
    bool ok = false;
    options.terminals = parser.value(terminals).toInt(&ok);
    if (!ok || options.terminals < 1 || options.terminals > WendalinkProtocol::maxTerminalNumber)
        return refuse(QStringLiteral("--terminals must be a number from 1 to 65535, not ")
            + parser.value(terminals));
    if (parser.isSet(autoPeriod)) {
        const double seconds = parser.value(autoPeriod).toDouble(&ok);
        if (!ok || !(seconds > 0 && seconds <= maxAutoSeconds))
            return refuse(QStringLiteral("--auto must be a number of seconds above 0, at most "
                                         "86400, not ")
                + parser.value(autoPeriod));
        options.autoPeriod
            = std::chrono::milliseconds(qMax(1LL, std::llround(seconds * msPerSecond)));
    }

    if (!installSignalHandlers()) {
        std::perror("wendalink-sim: pipe");
        return exitFailure;
    }
    QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    Simulator simulator(options);
    if (!simulator.start())
        return exitFailure;
    return QCoreApplication::exec();
}
