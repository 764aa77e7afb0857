#include "form2.h"

#include "placedcontrols.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int clientWidth = 3570;
constexpr int clientHeight = 2085;

constexpr TwipRect label1Place = {120, 240, 975, 255};
constexpr TwipRect combo1Place = {1440, 240, 1935, 315};
constexpr TwipRect label2Place = {120, 600, 975, 255};
constexpr TwipRect combo2Place = {1440, 600, 1935, 315};
constexpr TwipRect okPlace = {2520, 1440, 855, 375};
constexpr TwipRect cancelPlace = {1440, 1440, 855, 375};

const QStringList comPortItems = {QStringLiteral("Com1"), QStringLiteral("Com2"),
    QStringLiteral("Com3"), QStringLiteral("Com4"), QStringLiteral("Com5"), QStringLiteral("Com6"),
    QStringLiteral("Com7"), QStringLiteral("Com8"), QStringLiteral("Com9")};
const QStringList baudRateItems
    = {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")};

// An editable list labelled by `label`: the label is its buddy and names it
// for assistive tools, which would otherwise announce the list's value.
QComboBox *makeEditableList(QWidget *parent, const char *name, const QStringList &items,
    const TwipRect &place, QLabel *label)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    // Any typed text is taken as it is; it must not be added to or matched
    // against the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->setDuplicatesEnabled(true);
    combo->addItems(items);
    combo->setGeometry(toPixels(place));
    label->setBuddy(combo);
    combo->setAccessibleName(label->text());
    return combo;
}

} // namespace

Form2::Form2(const QString &comPort, const QString &baudRate)
    : QWidget(nullptr, Qt::Dialog)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Serial Configurations"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(toPixels(clientWidth, clientHeight));

    m_combo1 = makeEditableList(this, "Combo1", comPortItems, combo1Place,
        makeLabel(this, "Label1", "Com Port", label1Place));
    m_combo2 = makeEditableList(this, "Combo2", baudRateItems, combo2Place,
        makeLabel(this, "Label2", "Baud Rate", label2Place));
    auto *ok = makeButton(this, "Command1", "OK", okPlace);
    auto *cancel = makeButton(this, "Command2", "Cancel", cancelPlace);

    setTabOrder(m_combo1, m_combo2);
    setTabOrder(m_combo2, ok);
    setTabOrder(ok, cancel);

    m_combo1->setEditText(comPort);
    m_combo2->setEditText(baudRate);

    connect(ok, &QPushButton::clicked, this,
        [this] { emit accepted(m_combo1->currentText(), m_combo2->currentText()); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}
