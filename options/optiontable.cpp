#include "optiontable.h"

#include <QtGlobal>

namespace {

// The options in the order the command builder visits them.
constexpr std::array<Option, OptionTable::optionCount> optionRows = {{
    {56, 11, "Reset Active configuration to factory defaults", 0, "ZA", {120, 360, 2175, 495}},
    {57, 11, "Retrive vaulted configuration", 0, "Z1", {120, 840, 2295, 375}},
    {58, 11, "Store the active configuration in the vault", 0, "Z2", {120, 1320, 2295, 375}},
    {1, 8, "Disable EAN-13", 0, "RA", {120, 360, 1575, 255}},
    {2, 8, "Enable EAN-13", 0, "RC", {120, 600, 1575, 255}},
    {3, 8, "Disabel EAN-8", 0, "RN", {120, 840, 1575, 255}},
    {4, 8, "Enable EAN-8", 0, "RP", {120, 1080, 1455, 255}},
    {5, 1, "Enable ALL", 0, "QM", {120, 240, 1335, 255}},
    {6, 2, "Disable UPC-A", 0, "QA", {120, 360, 1695, 255}},
    {7, 2, "Enable UPC-A", 0, "QC", {120, 600, 1455, 255}},
    {8, 2, "Disable expansion of UPC-E to UPC-A", 0, "QH", {120, 840, 1815, 375}},
    {9, 2, "Enable expansion of UPC-E to UPC-A", 0, "QI", {120, 1200, 1815, 375}},
    {10, 2, "Enable UPC-E", 0, "QL", {120, 1560, 1695, 255}},
    {11, 2, "Disable UPC-E", 0, "QV", {120, 1800, 1575, 255}},
    {12, 3, "Disable Code 128", 0, "TA", {120, 360, 1815, 255}},
    {13, 3, "Enable Code 128", 0, "TC", {120, 600, 1695, 255}},
    {14, 3, "Enable function code transmission", 0, "TD", {120, 840, 1815, 375}},
    {15, 3, "Disable function code transmission", 0, "TE", {120, 1200, 1815, 375}},
    {16, 3, "Enable UCC 128 Emulation", 0, "TF", {120, 1560, 1815, 375}},
    {17, 4, "Disabel Code 93", 0, "UA", {120, 360, 1575, 255}},
    {18, 4, "Enable Code 93", 0, "UB", {120, 600, 1695, 255}},
    {19, 4, "Set Minimum Lenght for code 93 to XX", 1, "UE", {120, 840, 1815, 435}},
    {20, 4, "Set Maximum Lenght for code 93 to XX", 2, "UF", {120, 1320, 1815, 375}},
    {21, 5, "Disable Codabar", 0, "VA", {120, 240, 1695, 255}},
    {22, 5, "Enable Codabar", 0, "VB", {120, 480, 1815, 255}},
    {23, 5, "Disable transmission of Start/Stop as upper-case characters", 0, "VC",
        {120, 720, 2295, 615}},
    {24, 5, "Enable transmission of Start/Stop as upper-case characters", 0, "VD",
        {120, 1320, 2295, 615}},
    {25, 5,
        "Set minimum length for Codabar to XX characters. Includes start/stop and check "
        "characters, "
        "if transmitted.",
        3, "VE", {120, 1920, 2295, 1095}},
    {26, 5, "Set maximum...", 4, "VF", {120, 3000, 1695, 255}},
    {27, 5, "Enable transmission of start/stop as lower-case characters", 0, "VG",
        {120, 3240, 2295, 735}},
    {28, 6, "Disable Code 39", 0, "OA", {120, 360, 1575, 255}},
    {29, 6, "Enable Code 39", 0, "OB", {120, 600, 1575, 255}},
    {30, 6, "Enable full ASCII Code 39", 0, "OC", {120, 840, 2295, 255}},
    {31, 6, "Disabel Modulo 43 check character", 0, "OD", {120, 1080, 3135, 255}},
    {32, 6, "Enabel Modulo 43 check character", 0, "OE", {120, 1320, 3135, 255}},
    {33, 6, "Disable transmission of the start/stop character", 0, "OF", {120, 1560, 3135, 375}},
    {34, 6, "Enable transmission of the start/stop character", 0, "OG", {120, 1920, 3135, 375}},
    {35, 6,
        "Set minimum length to XX characters. Includes start/stop characters and check characters, "
        "if "
        "transmitted.",
        5, "OH", {120, 2280, 3015, 615}},
    {36, 6, "Set maximum lenght ...", 6, "OI", {120, 2880, 2535, 255}},
    {37, 6, "Enable transmission of the check character", 0, "OJ", {120, 3120, 3135, 375}},
    {38, 6, "Disable transmission of the check character", 0, "OK", {120, 3480, 3135, 375}},
    {39, 7, "Disable Interleaved 2 of 5", 0, "PA", {120, 360, 2175, 255}},
    {40, 7, "Enable Interleaved 2 of 5 without a check digit", 0, "PB", {120, 600, 3135, 375}},
    {41, 7, "Enable Interleaved 2 of 5 with a check digit", 0, "PC", {120, 960, 3135, 375}},
    {42, 7,
        "Set minimum length for Interleaved 2 of 5 to XX characters. Includes check digit, if "
        "transmitted.",
        7, "PD", {120, 1320, 3135, 615}},
    {43, 7, "Set maximum lenght ...", 8, "PE", {120, 1920, 2295, 255}},
    {44, 7, "Disable transmission of interleaved 2 of 5 check digit", 0, "PO",
        {120, 2160, 3135, 495}},
    {45, 7, "Enable transmission of interleaved 2 of 5 check digit", 0, "PP",
        {120, 2640, 3015, 375}},
    {46, 9, "Disable Standard 2 of 5", 0, "PQ", {120, 240, 2775, 255}},
    {47, 9, "Enable Standard 2 of 5 without a check digit", 0, "PR", {120, 480, 3135, 375}},
    {48, 9, "Enable Standard 2 of 5 with a check digit", 0, "PS", {120, 840, 3135, 375}},
    {49, 9, "Set Minimum lenght for Standard 2 of 5 to XX characters", 9, "PT",
        {120, 1200, 3135, 375}},
    {50, 9, "Set Maximum lenght ...", 10, "PU", {120, 1680, 2655, 255}},
    {51, 9, "Disable transmission of Standard 2 of 5 check digit", 0, "PV", {120, 1920, 3135, 375}},
    {52, 9, "Enable transmission of Standard 2 of 5 check digit", 0, "PW", {120, 2280, 3135, 375}},
    {53, 10, "Laser Redundancy disabled", 0, "BC", {120, 360, 1695, 375}},
    {54, 10, "Laser Redundancy set to 2 decodes", 0, "BD", {120, 720, 1815, 375}},
    {55, 10, "Laser Redundancy set to 4 decodes", 0, "BE", {120, 1080, 1815, 375}},
    {59, 2, "Enable UPC 2/5 Addon", 0, "QB", {120, 2040, 1815, 375}},
    {60, 8, "Enable EAN 2/5 AddOn", 0, "RB", {120, 1320, 1815, 375}},
}};

constexpr std::array<OptionGroup, OptionTable::groupCount> groupRows = {{
    {8, "EAN", {120, 480, 2055, 1935}},
    {2, "UPC", {120, 2400, 2055, 2535}},
    {3, "Code 128", {120, 4920, 2055, 2415}},
    {4, "Code 93", {2160, 480, 2535, 1815}},
    {5, "Codabar", {2160, 2400, 2535, 4335}},
    {6, "Code 39", {4680, 480, 3375, 3975}},
    {7, "Interleaved 2 of 5", {8040, 480, 3375, 3135}},
    {9, "Standard 2 of 5", {8040, 3960, 3375, 2775}},
    {10, "Laser Redundancy", {11400, 480, 2055, 1575}},
    {11, "Configuration Management", {4680, 4680, 3375, 2055}},
}};

constexpr std::array<LengthField, OptionTable::lengthFieldCount> lengthFieldRows = {{
    {1, 2, {2040, 960, 375, 285}},
    {2, 2, {2040, 1440, 375, 285}},
    {3, LengthField::noLimit, {2040, 2520, 375, 285}},
    {4, 2, {2040, 3000, 375, 285}},
    {5, 2, {2880, 2520, 375, 285}},
    {6, 2, {2880, 2880, 375, 285}},
    {7, 2, {2880, 1560, 375, 285}},
    {8, LengthField::noLimit, {2880, 1920, 375, 285}},
    {9, LengthField::noLimit, {2880, 1440, 375, 285}},
    {10, LengthField::noLimit, {2880, 1680, 375, 285}},
}};

} // namespace

namespace OptionTable {

const std::array<Option, optionCount> &options()
{
    return optionRows;
}

const std::array<OptionGroup, groupCount> &groups()
{
    return groupRows;
}

const LengthField &lengthField(int textNumber)
{
    Q_ASSERT(textNumber >= 1 && textNumber <= lengthFieldCount);
    return lengthFieldRows[textNumber - 1];
}

} // namespace OptionTable
