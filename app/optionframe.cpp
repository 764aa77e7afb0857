#include "optionframe.h"

#include "lengthfieldedit.h"
#include "optioncheckbox.h"
#include "twips.h"

#include <QGroupBox>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

// Pixels kept between a caption and the length field at the end of its box.
constexpr int captionFieldGap = 2;

// Space kept on either side of a group's title where it cuts the border.
constexpr int titleIndent = 6;
constexpr int titlePadding = 2;
constexpr qreal frameRadius = 2;

// A titled group whose title sits on its top border line, as the layout was
// drawn for. The platform style puts the title above the border instead, which
// pushes the border onto the first row of boxes.
class OptionGroupBox final : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        // Drawn here: the styles' group frame leaves room for a title above it.
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRoundedRect(
            rect().adjusted(0, metrics.height() / 2, -1, -1), frameRadius, frameRadius);

        const QRect titleRect(titleIndent, 0, metrics.horizontalAdvance(title()) + 2 * titlePadding,
            metrics.height());
        painter.fillRect(titleRect, palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(titleRect, Qt::AlignCenter | Qt::TextHideMnemonic, title());
    }
};

QString frameName(int frameNumber)
{
    return QStringLiteral("Frame%1").arg(frameNumber);
}

// A group title is shown as it stands: a "&" in it must not turn into an access key.
QString literalTitle(const char *caption)
{
    return QString::fromUtf8(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

bool topToBottom(const Option *a, const Option *b)
{
    return a->place.top < b->place.top;
}

// Columns of groups from left to right, each from top to bottom: the order in
// which Tab visits them.
bool columnByColumn(const OptionGroup *a, const OptionGroup *b)
{
    if (a->place.left != b->place.left)
        return a->place.left < b->place.left;
    return a->place.top < b->place.top;
}

} // namespace

OptionFrame::OptionFrame(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(frameName(OptionTable::panelFrameNumber));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setGeometry(toPixels(OptionTable::panelPlace));

    QFont captionFont = font();
    captionFont.setPointSizeF(captionPointSize);
    captionFont.setStretch(captionStretch);
    setFont(captionFont);

    // Widgets join the focus chain in the order they are made, so making them in
    // reading order gives the Tab order.
    addOptionsOfFrame(this, OptionTable::panelFrameNumber, QString());

    std::vector<const OptionGroup *> groups;
    for (const OptionGroup &group : OptionTable::groups())
        groups.push_back(&group);
    std::sort(groups.begin(), groups.end(), columnByColumn);

    for (const OptionGroup *group : groups) {
        auto *groupBox = new OptionGroupBox(literalTitle(group->caption), this);
        groupBox->setObjectName(frameName(group->frameNumber));
        groupBox->setGeometry(toPixels(group->place));
        addOptionsOfFrame(groupBox, group->frameNumber, QString::fromUtf8(group->caption));
    }
}

void OptionFrame::addOptionsOfFrame(QWidget *container, int frameNumber, const QString &groupTitle)
{
    std::vector<const Option *> options;
    for (const Option &option : OptionTable::options()) {
        if (option.frameNumber == frameNumber)
            options.push_back(&option);
    }
    std::sort(options.begin(), options.end(), topToBottom);

    for (const Option *option : options) {
        auto *box = new OptionCheckBox(QString::fromUtf8(option->caption), container);
        box->setObjectName(QStringLiteral("Check%1").arg(option->checkNumber));
        box->setGeometry(toPixels(option->place));
        box->setAccessibleName(groupTitle.isEmpty()
                ? box->caption()
                : QStringLiteral("%1: %2").arg(groupTitle, box->caption()));
        m_checkBoxes.at(option->checkNumber - 1) = box;
        if (option->isLengthOption())
            addLengthField(container, *option, box);
    }
}

void OptionFrame::addLengthField(QWidget *container, const Option &option, OptionCheckBox *box)
{
    const LengthField &field = OptionTable::lengthField(option.textNumber);
    auto *edit = new LengthFieldEdit(field.maxTypedCharacters, container);
    edit->setObjectName(QStringLiteral("Text%1").arg(field.textNumber));
    edit->setGeometry(toPixels(field.place));
    edit->setAccessibleName(box->accessibleName() + QStringLiteral(" length field"));
    m_lengthFields.at(field.textNumber - 1) = edit;

    // Some fields sit inside their option's box; the caption wraps before them
    // instead of running underneath.
    if (edit->geometry().intersects(box->geometry())) {
        const int fieldLeftInBox = edit->x() - box->x();
        box->setCaptionRightMargin(box->width() - fieldLeftInBox + captionFieldGap);
    }
}

OptionCheckBox *OptionFrame::checkBox(int checkNumber) const
{
    return m_checkBoxes.at(checkNumber - 1);
}

LengthFieldEdit *OptionFrame::lengthField(int textNumber) const
{
    return m_lengthFields.at(textNumber - 1);
}
