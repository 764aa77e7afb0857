#pragma once

#include "twips.h"

class QLabel;
class QPushButton;
class QWidget;

// Controls of the two windows, each at a fixed place given in twips.

// A push button that answers neither Enter nor Escape.
QPushButton *makeButton(
    QWidget *parent, const char *name, const char *caption, const TwipRect &place);
QLabel *makeLabel(QWidget *parent, const char *name, const char *caption, const TwipRect &place);
