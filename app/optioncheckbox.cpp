#include "optioncheckbox.h"

#include "optionpanel.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

constexpr int captionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
// Room between the caption and the focus frame drawn around it.
constexpr int focusFramePadding = 1;

} // namespace

OptionCheckBox::OptionCheckBox(const QString &caption, QWidget *parent)
    : QCheckBox(parent)
    , m_caption(caption)
{
    setTristate(true);
}

qint16 OptionCheckBox::optionState() const
{
    switch (checkState()) {
    case Qt::Checked:
        return OptionPanel::checked;
    case Qt::PartiallyChecked:
        return OptionPanel::greyed;
    case Qt::Unchecked:
        break;
    }
    return OptionPanel::unchecked;
}

void OptionCheckBox::setOptionState(qint16 state)
{
    if (state == OptionPanel::checked)
        setCheckState(Qt::Checked);
    else if (state == OptionPanel::greyed)
        setCheckState(Qt::PartiallyChecked);
    else
        setCheckState(Qt::Unchecked);
}

void OptionCheckBox::setCaptionRightMargin(int pixels)
{
    m_captionRightMargin = pixels;
    update();
}

QRect OptionCheckBox::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    return contents.adjusted(0, 0, -m_captionRightMargin, 0);
}

void OptionCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

bool OptionCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void OptionCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    const QRect textArea = captionRect();
    painter.drawItemText(
        textArea, captionFlags, palette(), isEnabled(), m_caption, QPalette::WindowText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.fontMetrics()
                         .boundingRect(textArea, captionFlags, m_caption)
                         .adjusted(-focusFramePadding, -focusFramePadding, focusFramePadding,
                             focusFramePadding)
                         .intersected(rect());
        focus.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
