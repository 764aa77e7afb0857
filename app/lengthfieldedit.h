#pragma once

#include <QLineEdit>

// A length field (Text1..Text10). Text comes in two ways:
// - typed or pasted by the operator: where the field has a limit, a paste is
//   cut to the room that is left, as typing it would be;
// - loaded from a file: kept whole, however long. The operator may shorten a
//   loaded text beyond the limit but not lengthen it.
// QLineEdit::setMaxLength would cut loaded text too, so a validator limits typing.
class LengthFieldEdit : public QLineEdit
{
    Q_OBJECT

public:
    // `maxTypedCharacters`: LengthField::noLimit for a field without a limit.
    LengthFieldEdit(int maxTypedCharacters, QWidget *parent = nullptr);

    void setLoadedText(const QString &text);

private:
    class TypingLimit;

    // The length before the edit being validated: the field already holds the
    // new text while it is validated.
    qsizetype m_lengthBefore = 0;
};
