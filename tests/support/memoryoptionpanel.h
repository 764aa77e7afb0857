#pragma once

#include "optionpanel.h"
#include "optiontable.h"

#include <array>

// Option states held in plain memory, for tests, fuzzing and benchmarks.
class MemoryOptionPanel final : public OptionPanel
{
public:
    qint16 checkState(int n) const override { return m_states.at(n - 1); }
    void setCheckState(int n, qint16 state) override { m_states.at(n - 1) = state; }
    QString lengthText(int n) const override
    {
        ++m_textReads.at(n - 1);
        return m_texts.at(n - 1);
    }
    void setLengthText(int n, const QString &text) override { m_texts.at(n - 1) = text; }
    void setCommandTrace(const QString &trace) override { m_trace = trace; }

    QString commandTrace() const { return m_trace; }
    // How many times each text was read; the builder must read a length field
    // only for a checked option.
    int lengthTextReads(int n) const { return m_textReads.at(n - 1); }

private:
    std::array<qint16, OptionTable::optionCount> m_states {};
    std::array<QString, OptionTable::lengthFieldCount> m_texts;
    mutable std::array<int, OptionTable::lengthFieldCount> m_textReads {};
    QString m_trace;
};
