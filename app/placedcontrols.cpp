#include "placedcontrols.h"

#include <QLabel>
#include <QPushButton>

QPushButton *makeButton(
    QWidget *parent, const char *name, const char *caption, const TwipRect &place)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(toPixels(place));
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char *caption, const TwipRect &place)
{
    auto *label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(place));
    return label;
}
