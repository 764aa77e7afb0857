#pragma once

#include <QString>
#include <QtGlobal>

// The link settings, shared by both windows for the whole run. The texts are
// kept exactly as read or typed; the numbers are worked out afresh at each use.
struct Module3
{
    // BaseFound is a 16-bit boolean in which True is -1.
    static constexpr qint16 trueValue = -1;
    static constexpr qint16 falseValue = 0;

    QString ComPort;
    QString BaudRate;
    qint16 BaseFound = falseValue;

    bool baseStationMode() const { return BaseFound != falseValue; }
    // The numeric value of the last character of ComPort: "Com3" -> 3,
    // "Com10" -> 0, "" -> 0.
    qint32 portNumber() const;
    // The numeric value of the whole of BaudRate: "19 200" -> 19200, "96x" -> 96.
    // A value outside the 32-bit range is passed on as 0.
    qint32 baudValue() const;
};
