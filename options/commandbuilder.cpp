#include "commandbuilder.h"

#include "codepage.h"
#include "optionpanel.h"
#include "optiontable.h"

namespace {

constexpr QChar nul(u'\0');
constexpr int valueLength = 2;
const QString valuePadding = QStringLiteral("00");

// "00" in front of the field's text, then its last two characters: "" -> "00",
// "7" -> "07", "123" -> "23". The text is used as typed, never checked.
QString valueCharacters(const QString &fieldText)
{
    return (valuePadding + fieldText).right(valueLength);
}

} // namespace

QString buildcmdlist(OptionPanel &panel)
{
    QString list;
    for (const Option &option : OptionTable::options()) {
        if (panel.checkState(option.checkNumber) != OptionPanel::checked)
            continue;
        list += QLatin1String(option.code);
        if (option.isLengthOption())
            list += valueCharacters(panel.lengthText(option.textNumber));
        else
            list += QString(valueLength, nul);
        list += nul;
    }
    panel.setCommandTrace(commandTrace(list));
    return list;
}

QString commandTrace(QStringView list)
{
    QString trace;
    for (const char byte : toCodePage(list))
        trace += QStringLiteral(", %1").arg(static_cast<unsigned char>(byte));
    return trace;
}
