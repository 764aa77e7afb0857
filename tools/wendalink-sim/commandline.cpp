#include "commandline.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char *const simulatorUsage
    = "usage: wendalink-sim --link PATH [--mode base|serial] [--terminals N] [--auto SECONDS]\n"
      "commands on standard input, one per line:\n"
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

std::optional<SimulatorOptions> parseCommandLine(int argc, char **argv, std::string &error)
{
    SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        const auto equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        } else if (option == "--help" || option == "-h") {
            error.clear();
            return std::nullopt;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "missing value for " + option;
            return std::nullopt;
        }

        if (option == "--link") {
            options.linkPath = value;
        } else if (option == "--mode") {
            if (value == "base") {
                options.mode = SimulatorMode::Base;
            } else if (value == "serial") {
                options.mode = SimulatorMode::Serial;
            } else {
                error = "--mode must be base or serial, not " + value;
                return std::nullopt;
            }
        } else if (option == "--terminals") {
            const auto count = parseNumber(value, 1, SimulatorOptions::maxTerminals);
            if (!count) {
                error = "--terminals must be a number from 1 to 65535, not " + value;
                return std::nullopt;
            }
            options.terminals = int(*count);
        } else if (option == "--auto") {
            char *end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
                error = "--auto must be a positive number of seconds, not " + value;
                return std::nullopt;
            }
            options.autoSeconds = seconds;
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    if (options.linkPath.empty()) {
        error = "--link PATH is required";
        return std::nullopt;
    }
    return options;
}
