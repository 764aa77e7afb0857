#pragma once

#include "optiontable.h"

#include <QFrame>

#include <array>

class QCheckBox;
class QLineEdit;
class OptionCheckBox;

// Frame1: the option panel, built from the option table: "Enable ALL" and the
// ten titled groups with their check boxes (Check1..Check60) and length fields
// (Text1..Text10), each placed at its place in the table.
//
// A check box shows three states (unchecked, checked, greyed), but the
// operator's click only toggles between unchecked and checked; greyed comes
// only from a loaded file. A click on a (wrapped) caption toggles its box.
// Nothing here reacts to a click or to typing: the states are read when needed.
class OptionFrame : public QFrame
{
    Q_OBJECT

public:
    // The rectangles are fixed and were drawn for a narrow 8 pt face; common
    // sans-serif faces are wider, so the panel uses a smaller, semi-condensed
    // font that lets every caption wrap inside its box.
    static constexpr qreal captionPointSize = 7.0;
    static constexpr int captionStretch = QFont::SemiCondensed;

    explicit OptionFrame(QWidget *parent = nullptr);

    QCheckBox *checkBox(int checkNumber) const; // 1..60
    QLineEdit *lengthField(int textNumber) const; // 1..10
    // Sets a length field's text from code (a loaded file): kept whole even
    // where the operator may type only two characters.
    void setLengthText(int textNumber, const QString &text);

private:
    void addOptionsOfFrame(QWidget *container, int frameNumber);
    void addLengthField(QWidget *container, const Option &option, OptionCheckBox *box);

    std::array<QCheckBox *, OptionTable::optionCount> m_checkBoxes {};
    std::array<QLineEdit *, OptionTable::lengthFieldCount> m_lengthFields {};
};
