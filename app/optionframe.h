#pragma once

#include <QFrame>

#include <array>

class QCheckBox;
class QLineEdit;

// Frame1: the option panel, built from the option table: "Enable ALL" and the
// ten titled groups with their check boxes (Check1..Check60) and length fields
// (Text1..Text10), each placed at its place in the table.
//
// A check box shows three states (unchecked, checked, greyed), but the
// operator's click only toggles between unchecked and checked; greyed comes
// only from a loaded file. A click on a (wrapped) caption toggles its box.
class OptionFrame : public QFrame
{
    Q_OBJECT

public:
    explicit OptionFrame(QWidget *parent = nullptr);

    QCheckBox *checkBox(int checkNumber) const;    // 1..60
    QLineEdit *lengthField(int textNumber) const;  // 1..10

private:
    std::array<QCheckBox *, 60> m_checkBoxes{};
    std::array<QLineEdit *, 10> m_lengthFields{};
};
