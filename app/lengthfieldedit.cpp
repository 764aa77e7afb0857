#include "lengthfieldedit.h"

#include "optiontable.h"

#include <QValidator>

#include <algorithm>

class LengthFieldEdit::TypingLimit final : public QValidator
{
public:
    TypingLimit(int limit, LengthFieldEdit *field)
        : QValidator(field)
        , m_limit(limit)
        , m_field(*field)
    { }

    State validate(QString &input, int &cursor) const override
    {
        const qsizetype room = std::max<qsizetype>(m_limit, m_field.m_lengthBefore);
        // What was typed or pasted ends at the cursor: its tail goes first.
        const qsizetype cut = std::min<qsizetype>(input.size() - room, cursor);
        if (cut > 0) {
            input.remove(cursor - cut, cut);
            cursor -= int(cut);
        }
        return input.size() <= room ? Acceptable : Invalid;
    }

private:
    int m_limit;
    const LengthFieldEdit &m_field;
};

LengthFieldEdit::LengthFieldEdit(int maxTypedCharacters, QWidget *parent)
    : QLineEdit(parent)
{
    if (maxTypedCharacters == LengthField::noLimit)
        return;
    setValidator(new TypingLimit(maxTypedCharacters, this));
    connect(this, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_lengthBefore = text.size(); });
}

void LengthFieldEdit::setLoadedText(const QString &text)
{
    // Raised first, or the limit would cut the text as it is set.
    m_lengthBefore = text.size();
    setText(text);
}
