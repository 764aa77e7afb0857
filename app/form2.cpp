#include "form2.h"

#include "linklifecycle.h"
#include "module3.h"
#include "twips.h"

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

QComboBox *makeEditableList(
    QWidget *parent, const char *name, const QStringList &items, const TwipRect &place)
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
    return combo;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char *caption, const TwipRect &place)
{
    auto *label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(place));
    return label;
}

QPushButton *makeButton(
    QWidget *parent, const char *name, const char *caption, const TwipRect &place)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Neither button answers Enter or Escape.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(toPixels(place));
    return button;
}

} // namespace

Form2::Form2(Module3 &settings, LinkLifecycle &lifecycle)
    : QWidget(nullptr, Qt::Dialog)
    , m_lifecycle(lifecycle)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Serial Configurations"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(toPixels(clientWidth, clientHeight));

    auto *label1 = makeLabel(this, "Label1", "Com Port", label1Place);
    m_combo1 = makeEditableList(this, "Combo1", comPortItems, combo1Place);
    auto *label2 = makeLabel(this, "Label2", "Baud Rate", label2Place);
    m_combo2 = makeEditableList(this, "Combo2", baudRateItems, combo2Place);
    auto *ok = makeButton(this, "Command1", "OK", okPlace);
    auto *cancel = makeButton(this, "Command2", "Cancel", cancelPlace);
    label1->setBuddy(m_combo1);
    label2->setBuddy(m_combo2);

    setTabOrder(m_combo1, m_combo2);
    setTabOrder(m_combo2, ok);
    setTabOrder(ok, cancel);

    // The texts are shown as stored, even when they match no list item.
    m_combo1->setEditText(settings.ComPort);
    m_combo2->setEditText(settings.BaudRate);

    connect(ok, &QPushButton::clicked, this, &Form2::onOk);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void Form2::onOk()
{
    m_lifecycle.reopen(m_combo1->currentText(), m_combo2->currentText());
    close();
}
