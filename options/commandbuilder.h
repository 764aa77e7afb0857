#pragma once

#include <QString>
#include <QStringView>

class OptionPanel;

// A configuration command list is a string of 5-character records, one per
// checked option in the option table's order: the two-character code, then
// the two value characters of a length option or two NULs, then one NUL.
namespace CommandList {
constexpr int recordLength = 5;
}

// Builds the configuration command list from the panel's states as they stand,
// and rewrites the panel's command trace with it.
QString buildcmdlist(OptionPanel &panel);

// The trace of a list: for each character ", " followed by its code in the
// 8-bit code page, e.g. ", 82, 65, 0, 0, 0" for "RA" and three NULs.
QString commandTrace(QStringView list);
