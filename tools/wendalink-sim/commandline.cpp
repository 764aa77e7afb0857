#include "commandline.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char *const simulatorUsage
    = "usage: wendalink-sim --link PATH [--mode base|serial] [--terminals N] [--auto SECONDS]\n"
      "       wendalink-sim --help | --version\n";

const char *const simulatorHelp
    = "Plays a radio base station and its terminals at the other end of a serial line,\n"
      "on a pseudo-terminal.\n"
      "\n"
      "  --link PATH          make PATH a symbolic link to the pseudo-terminal (required);\n"
      "                       the link library takes it as port 1 with WENDALINK_COM1=PATH\n"
      "  --mode base|serial   base (default): a base station that answers the\n"
      "                       initialisation; serial: terminals on a plain serial link\n"
      "  --terminals N        terminals 1 to N, N from 1 to 65535 (default 2)\n"
      "  --auto SECONDS       every terminal asks for its configuration at this period\n"
      "  -h, --help           show this help and exit\n"
      "  --version            show the version and exit\n"
      "\n"
      "Commands on standard input, one per line:\n"
      "  request [TERMINAL [TEXT...]]   terminal TERMINAL (default 1) sends TEXT\n"
      "                                 (default \"LASER RESET\")\n"
      "  noise N                        writes N random bytes on the line\n"
      "  hangup                         closes the line\n"
      "  quit                           ends the simulator (so does end of input)\n";

std::optional<long> parseNumber(const std::string &text, long min, long max)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return std::nullopt;
    return value;
}

namespace {

CommandLine refuse(std::string error)
{
    CommandLine refused;
    refused.action = CommandLine::Action::Refuse;
    refused.error = std::move(error);
    return refused;
}

// Sets the option `name` of `options` from `value`; the reason when the value
// is wrong, else nothing.
std::optional<std::string> applyOption(
    SimulatorOptions &options, const std::string &name, const std::string &value)
{
    if (name == "--link") {
        options.linkPath = value;
    } else if (name == "--mode") {
        if (value == "base")
            options.mode = SimulatorMode::Base;
        else if (value == "serial")
            options.mode = SimulatorMode::Serial;
        else
            return "--mode must be base or serial, not " + value;
    } else if (name == "--terminals") {
        const auto count = parseNumber(value, 1, SimulatorOptions::maxTerminals);
        if (!count)
            return "--terminals must be a number from 1 to 65535, not " + value;
        options.terminals = int(*count);
    } else if (name == "--auto") {
        char *end = nullptr;
        const double seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0)
            return "--auto must be a positive number of seconds, not " + value;
        options.autoSeconds = seconds;
    }
    return std::nullopt;
}

bool takesValue(const std::string &name)
{
    return name == "--link" || name == "--mode" || name == "--terminals" || name == "--auto";
}

} // namespace

CommandLine parseCommandLine(int argc, char **argv)
{
    CommandLine commandLine;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            commandLine.action = CommandLine::Action::ShowHelp;
            return commandLine;
        }
        if (argument == "--version") {
            commandLine.action = CommandLine::Action::ShowVersion;
            return commandLine;
        }
        if (argument.rfind('-', 0) != 0)
            return refuse("unexpected argument " + argument);

        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (name == "--help" || name == "-h" || name == "--version")
            return refuse(name + " takes no value");
        if (!takesValue(name))
            return refuse("unknown option " + name);
        std::string value;
        if (equals != std::string::npos)
            value = argument.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return refuse("missing value for " + name);
        if (auto error = applyOption(commandLine.options, name, value))
            return refuse(std::move(*error));
    }
    if (commandLine.options.linkPath.empty())
        return refuse("--link PATH is required");
    return commandLine;
}
