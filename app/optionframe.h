#pragma once

#include "optiontable.h"

#include <QFrame>

#include <array>

class LengthFieldEdit;
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

    OptionCheckBox *checkBox(int checkNumber) const; // 1..60
    LengthFieldEdit *lengthField(int textNumber) const; // 1..10

private:
    // `groupTitle` tells apart, for assistive tools, boxes that share a caption.
    void addOptionsOfFrame(QWidget *container, int frameNumber, const QString &groupTitle);
    void addLengthField(QWidget *container, const Option &option, OptionCheckBox *box);

    std::array<OptionCheckBox *, OptionTable::optionCount> m_checkBoxes {};
    std::array<LengthFieldEdit *, OptionTable::lengthFieldCount> m_lengthFields {};
};
