#pragma once

#include <QWidget>

class QComboBox;

// The serial configuration dialog: a modeless window without owner in which
// the operator picks or types the port and the baud rate. OK hands the two
// texts back as they stand; Cancel and the close box close it and hand back
// nothing. Re-opening the link is the caller's business.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    // The texts are shown as given, even when they match no list item.
    Form2(const QString &comPort, const QString &baudRate);

    QComboBox *comPortField() const { return m_combo1; }
    QComboBox *baudRateField() const { return m_combo2; }

signals:
    // OK was clicked; the dialog stays open until the caller closes it.
    void accepted(const QString &comPort, const QString &baudRate);

private:
    QComboBox *m_combo1;
    QComboBox *m_combo2;
};
