#pragma once

#include <QString>
#include <QtGlobal>

// The option states as the builder and the file commands see them. The window
// implements it over its own controls, so the states live only there; tests,
// fuzzing and benchmarks hand in one that keeps the states in memory.
class OptionPanel
{
public:
    // Check-box states: a 16-bit number, of which only `checked` counts as chosen.
    static constexpr qint16 unchecked = 0;
    static constexpr qint16 checked = 1;
    static constexpr qint16 greyed = 2;

    virtual ~OptionPanel() = default;

    virtual qint16 checkState(int checkNumber) const = 0; // Check1..Check60
    virtual void setCheckState(int checkNumber, qint16 state) = 0;
    virtual QString lengthText(int textNumber) const = 0; // Text1..Text10
    virtual void setLengthText(int textNumber, const QString &text) = 0;
    // The command trace shown under the panel (Text11).
    virtual void setCommandTrace(const QString &trace) = 0;
};
