#include "memoryoptionpanel.h"

qint16 MemoryOptionPanel::checkState(int checkNumber) const
{
    return m_states.at(checkNumber - 1);
}

void MemoryOptionPanel::setCheckState(int checkNumber, qint16 state)
{
    m_states.at(checkNumber - 1) = state;
}

QString MemoryOptionPanel::lengthText(int textNumber) const
{
    ++m_textReads.at(textNumber - 1);
    return m_texts.at(textNumber - 1);
}

void MemoryOptionPanel::setLengthText(int textNumber, const QString &text)
{
    m_texts.at(textNumber - 1) = text;
}

int MemoryOptionPanel::lengthTextReads(int textNumber) const
{
    return m_textReads.at(textNumber - 1);
}
