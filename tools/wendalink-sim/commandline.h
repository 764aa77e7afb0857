#pragma once

#include <optional>
#include <string>

enum class SimulatorMode { Base, Serial };

struct SimulatorOptions
{
    static constexpr int defaultTerminals = 2;
    static constexpr int maxTerminals = 0xFFFF;

    std::string linkPath;
    SimulatorMode mode = SimulatorMode::Base;
    int terminals = defaultTerminals;
    double autoSeconds = 0; // 0: terminals ask only when told to
};

// What the command line asks for: a run with its options, the help, the
// version, or nothing but the reason it was refused.
struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };

    Action action = Action::Run;
    SimulatorOptions options;
    std::string error; // why it was refused
};

extern const char *const simulatorUsage;
extern const char *const simulatorHelp;

CommandLine parseCommandLine(int argc, char **argv);

// A whole decimal number in [min, max], or nothing.
std::optional<long> parseNumber(const std::string &text, long min, long max);
