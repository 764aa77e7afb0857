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

extern const char *const simulatorUsage;

// The options of `argv`, or nothing with the reason in `error`.
std::optional<SimulatorOptions> parseCommandLine(int argc, char **argv, std::string &error);

// A whole decimal number in [min, max], or nothing.
std::optional<long> parseNumber(const std::string &text, long min, long max);
