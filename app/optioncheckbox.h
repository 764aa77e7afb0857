#pragma once

#include <QCheckBox>
#include <QString>

// One option's check box. It covers the option's whole rectangle and paints its
// caption word-wrapped beside the indicator; a click anywhere in the rectangle,
// the caption included, toggles it, as do the space bar and a click on the box.
//
// It can show the greyed state (Qt::PartiallyChecked), but only code puts it
// there: the operator's click toggles between unchecked and checked, and a click
// on a greyed box checks it.
//
// The caption is painted verbatim, never as a button text, so an "&" in it can
// never become an access key.
class OptionCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit OptionCheckBox(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }

    // The state as the option panel counts it: OptionPanel::unchecked,
    // checked or greyed. Any other number shows as unchecked.
    qint16 optionState() const;
    void setOptionState(qint16 state);

    // Keeps the caption clear of a control that sits on the box's right-hand
    // end (the option's length field): the caption wraps before that many pixels.
    void setCaptionRightMargin(int pixels);

protected:
    void nextCheckState() override;
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The part of the box in which the caption wraps.
    QRect captionRect() const;

    QString m_caption;
    int m_captionRightMargin = 0;
};
