#pragma once

#include "twips.h"

#include <array>

// One scanner option: a check box whose checked state puts the option's
// command record into the configuration list.
struct Option
{
    int checkNumber; // n of Check<n>; the key of the configuration file's lines
    int frameNumber; // n of the Frame<n> that holds the box
    const char *caption;
    int textNumber; // n of the Text<n> that gives the value, 0 for a plain option
    const char *code; // the two-character scanner command
    TwipRect place;

    bool isLengthOption() const { return textNumber != 0; }
};

// A titled frame of the option panel (Frame2..Frame11).
struct OptionGroup
{
    int frameNumber;
    const char *caption;
    TwipRect place; // within Frame1
};

// A length field: the two-character value of the length option whose
// textNumber it has.
struct LengthField
{
    static constexpr int noLimit = 0;

    int textNumber;
    int maxTypedCharacters; // noLimit: any number of characters
    TwipRect place;
};

// The one catalogue of the 60 scanner options, their groups and length fields.
// The window, the command builder and the configuration file all read it.
namespace OptionTable {

constexpr int optionCount = 60;
constexpr int groupCount = 10;
constexpr int lengthFieldCount = 10;

// The frame that holds everything else, and the one box it holds directly.
constexpr int panelFrameNumber = 1;
constexpr TwipRect panelPlace = {0, 0, 13575, 7575};

// In the builder's order: Check56..Check58, Check1..Check55, Check59, Check60.
const std::array<Option, optionCount> &options();
const std::array<OptionGroup, groupCount> &groups();
const LengthField &lengthField(int textNumber); // 1..10

} // namespace OptionTable
