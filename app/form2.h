#pragma once

#include <QWidget>

class LinkLifecycle;
class QComboBox;
struct Module3;

// The serial configuration dialog: a modeless window without owner in which
// the operator picks or types the port and the baud rate. OK re-opens the link
// with them; Cancel and the close box change nothing.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    Form2(Module3 &settings, LinkLifecycle &lifecycle);

    QComboBox *comPortField() const { return m_combo1; }
    QComboBox *baudRateField() const { return m_combo2; }

private:
    void onOk();

    LinkLifecycle &m_lifecycle;
    QComboBox *m_combo1;
    QComboBox *m_combo2;
};
