#pragma once

#include "optionstates.h"

// The option states in memory, counting how often each length field is read:
// the builder must read a length field only for a checked option.
class MemoryOptionPanel final : public OptionStates
{
public:
    QString lengthText(int n) const override
    {
        ++m_textReads.at(n - 1);
        return OptionStates::lengthText(n);
    }

    int lengthTextReads(int n) const { return m_textReads.at(n - 1); }

private:
    mutable std::array<int, OptionTable::lengthFieldCount> m_textReads {};
};
