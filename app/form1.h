#pragma once

#include "configurationfilecommands.h"
#include "form2.h"
#include "linklifecycle.h"
#include "optionpanel.h"
#include "terminalpoller.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class BootSettings;
class FileDialog;
class LinkLibrary;
class OperatorMessages;
class OptionFrame;
class QLineEdit;
class QPushButton;
struct Module3;

// The main window. It holds the option panel, the trace field, the two
// buttons, the menu, the poller with its timer and the file dialog, and hands each
// event to the handler of its subsystem. The option states live only in its
// controls; it lends them to the builder and the file commands as an
// OptionPanel.
class Form1 : public QMainWindow, public OptionPanel
{
    Q_OBJECT

public:
    // `fileDialog` stands in for the system's file dialog in tests; without it
    // the window makes its own.
    Form1(Module3 &settings, LinkLibrary &link, OperatorMessages &messages, BootSettings &store,
        FileDialog *fileDialog = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    // The load handler: runs once, after creation and before the window is
    // first shown.
    void load();

    // "Halvek Pelsado " and the version, each number with its leading blank:
    // 1.0.2 gives "Halvek Pelsado  1. 0. 2".
    static QString versionCaption(int major, int minor, int revision);

    // The option states, as the builder and the file commands see them.
    qint16 checkState(int checkNumber) const override;
    void setCheckState(int checkNumber, qint16 state) override;
    QString lengthText(int textNumber) const override;
    void setLengthText(int textNumber, const QString &text) override;
    void setCommandTrace(const QString &trace) override;

    Form2 *serialDialog() const { return m_form2; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenu();
    void showSerialConfiguration();
    // The serial dialog's OK: re-opens the link with the chosen texts, then
    // closes the dialog.
    void acceptSerialConfiguration(const QString &comPort, const QString &baudRate);
    // "Update": builds the list only for its command trace.
    void refreshTrace();
    void saveForAll();

    Module3 &m_settings;
    LinkLibrary &m_link;
    LinkLifecycle m_lifecycle;
    OptionFrame *m_frame1;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QLineEdit *m_text11;
    std::unique_ptr<FileDialog> m_ownFileDialog;
    FileDialog &m_commonDialog1;
    TerminalPoller *m_poller; // owns Timer1
    ConfigurationFileCommands m_fileCommands;
    QPointer<Form2> m_form2;
};
