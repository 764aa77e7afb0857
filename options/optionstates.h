#pragma once

#include "optionpanel.h"
#include "optiontable.h"

#include <array>

// The option states without a window: what a configuration file holds, kept
// in memory for the commands that serve terminals from a file.
class OptionStates : public OptionPanel
{
public:
    qint16 checkState(int checkNumber) const override;
    void setCheckState(int checkNumber, qint16 state) override;
    QString lengthText(int textNumber) const override;
    void setLengthText(int textNumber, const QString &text) override;
    void setCommandTrace(const QString &trace) override;

    QString commandTrace() const { return m_trace; }

private:
    std::array<qint16, OptionTable::optionCount> m_states {};
    std::array<QString, OptionTable::lengthFieldCount> m_texts;
    QString m_trace;
};
