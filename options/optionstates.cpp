#include "optionstates.h"

qint16 OptionStates::checkState(int checkNumber) const
{
    return m_states.at(checkNumber - 1);
}

void OptionStates::setCheckState(int checkNumber, qint16 state)
{
    m_states.at(checkNumber - 1) = state;
}

QString OptionStates::lengthText(int textNumber) const
{
    return m_texts.at(textNumber - 1);
}

void OptionStates::setLengthText(int textNumber, const QString &text)
{
    m_texts.at(textNumber - 1) = text;
}

void OptionStates::setCommandTrace(const QString &trace)
{
    m_trace = trace;
}
