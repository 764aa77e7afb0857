#pragma once

#include "optionpanel.h"
#include "optiontable.h"

#include <array>

// Option states held in plain memory, for tests, fuzzing and benchmarks.
class MemoryOptionPanel final : public OptionPanel
{
public:
    qint16 checkState(int checkNumber) const override;
    void setCheckState(int checkNumber, qint16 state) override;
    QString lengthText(int textNumber) const override;
    void setLengthText(int textNumber, const QString &text) override;
    void setCommandTrace(const QString &trace) override { m_trace = trace; }

    QString commandTrace() const { return m_trace; }
    // How many times each text was read; the builder must read a length field
    // only for a checked option.
    int lengthTextReads(int textNumber) const;

private:
    std::array<qint16, OptionTable::optionCount> m_states {};
    std::array<QString, OptionTable::lengthFieldCount> m_texts;
    mutable std::array<int, OptionTable::lengthFieldCount> m_textReads {};
    QString m_trace;
};
