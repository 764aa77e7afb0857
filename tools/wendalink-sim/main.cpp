// wendalink-sim: plays the base station or the terminals at the other end of
// the link library's serial line, on a pseudo-terminal.

#include "commandline.h"
#include "simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(stopPipe[1], &byte, 1);
}

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

constexpr int exitUsage = 2;
constexpr int exitFailure = 1;

} // namespace

int main(int argc, char **argv)
{
    const CommandLine commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(simulatorUsage, stdout);
        std::fputs(simulatorHelp, stdout);
        return EXIT_SUCCESS;
    case CommandLine::Action::ShowVersion:
        std::puts("wendalink-sim " PELSADO_VERSION_STRING);
        return EXIT_SUCCESS;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "wendalink-sim: %s\n", commandLine.error.c_str());
        std::fputs(simulatorUsage, stderr);
        return exitUsage;
    case CommandLine::Action::Run:
        break;
    }
    if (!installSignalHandlers()) {
        std::perror("wendalink-sim: pipe");
        return exitFailure;
    }
    Simulator simulator(commandLine.options);
    return simulator.run(stopPipe[0]);
}
