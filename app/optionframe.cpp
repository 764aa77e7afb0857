#include "optionframe.h"

OptionFrame::OptionFrame(QWidget *parent) : QFrame(parent) {}

QCheckBox *OptionFrame::checkBox(int checkNumber) const
{
    return m_checkBoxes.at(checkNumber - 1);
}

QLineEdit *OptionFrame::lengthField(int textNumber) const
{
    return m_lengthFields.at(textNumber - 1);
}
