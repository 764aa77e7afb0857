#include "form1.h"

#include "commandbuilder.h"
#include "commondialog.h"
#include "form2.h"
#include "lengthfieldedit.h"
#include "module3.h"
#include "optioncheckbox.h"
#include "optionframe.h"
#include "placedcontrols.h"
#include "sharedconfiguration.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#ifndef PELSADO_VERSION_MAJOR
#error "the build passes the program version"
#endif

namespace {

constexpr const char *designCaption = "Halvek Laser Configuration";
constexpr const char *iconPath = ":/pelsado.svg";
constexpr int clientWidth = 13785;
constexpr int clientHeight = 9165;
constexpr TwipRect command2Place = {10680, 7680, 2895, 735};
constexpr TwipRect text11Place = {0, 8760, 11175, 285};
constexpr TwipRect command1Place = {11280, 8760, 2295, 255};

} // namespace

Form1::Form1(Module3 &settings, LinkLibrary &link, OperatorMessages &messages, BootSettings &store,
    FileDialog *fileDialog, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_link(link)
    , m_lifecycle(settings, link, messages, store)
    , m_frame1(nullptr)
    , m_command1(nullptr)
    , m_command2(nullptr)
    , m_text11(nullptr)
    , m_ownFileDialog(fileDialog ? nullptr : std::make_unique<CommonDialog>(this))
    , m_commonDialog1(fileDialog ? *fileDialog : *m_ownFileDialog)
    , m_poller(new TerminalPoller(
          link, *this, messages, [&settings] { return settings.baseStationMode(); }, this))
    , m_fileCommands(*this, m_commonDialog1, messages)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(designCaption));
    setWindowIcon(QIcon(QString::fromLatin1(iconPath)));

    auto *client = new QWidget(this);
    client->setFixedSize(toPixels(clientWidth, clientHeight));
    setCentralWidget(client);

    m_frame1 = new OptionFrame(client);
    m_command2 = makeButton(client, "Command2", "Save for all terminals", command2Place);
    QFont bold = m_command2->font();
    bold.setBold(true);
    m_command2->setFont(bold);

    m_text11 = new QLineEdit(client);
    m_text11->setObjectName(QStringLiteral("Text11"));
    m_text11->setGeometry(toPixels(text11Place));
    // The trace is rewritten at every build; the operator may select and copy
    // it, but typing into it would only be overwritten.
    m_text11->setReadOnly(true);
    m_text11->setAccessibleName(QStringLiteral("Command trace"));

    m_command1 = makeButton(client, "Command1", "Update", command1Place);

    createMenu();

    connect(m_command1, &QPushButton::clicked, this, &Form1::refreshTrace);
    connect(m_command2, &QPushButton::clicked, this, &Form1::saveForAll);

    // Polling runs from the window's creation, so requests are answered while
    // the start-up message is still open.
    m_poller->start();
}

Form1::~Form1() = default;

void Form1::createMenu()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File"));
    QAction *load = file->addAction(QStringLiteral("Load"));
    load->setObjectName(QStringLiteral("Load"));
    QAction *save = file->addAction(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("Save"));
    QAction *exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("Exit"));
    QAction *serialConf = menuBar()->addAction(QStringLiteral("Serial Configurations"));
    serialConf->setObjectName(QStringLiteral("SerialConf"));

    connect(load, &QAction::triggered, this, [this] { m_fileCommands.load(); });
    connect(save, &QAction::triggered, this, [this] { m_fileCommands.save(); });
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(serialConf, &QAction::triggered, this, &Form1::showSerialConfiguration);
}

void Form1::load()
{
    m_lifecycle.start();
    setWindowTitle(
        versionCaption(PELSADO_VERSION_MAJOR, PELSADO_VERSION_MINOR, PELSADO_VERSION_PATCH));
}

QString Form1::versionCaption(int major, int minor, int revision)
{
    // Each number carries the blank that stands where a minus sign would.
    auto number = [](int n) {
        return (n < 0 ? QString() : QStringLiteral(" ")) + QString::number(n);
    };
    return QStringLiteral("Halvek Pelsado ") + number(major) + QLatin1Char('.') + number(minor)
        + QLatin1Char('.') + number(revision);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // No tick may reach the link once it is closed.
    m_poller->stop();
    m_lifecycle.close();
    // The dialog would otherwise outlive the window it belongs to, with the
    // link already closed; closing it is the same as its Cancel.
    if (m_form2)
        m_form2->close();
    event->accept();
}

void Form1::showSerialConfiguration()
{
    if (!m_form2) {
        m_form2 = new Form2(m_settings.ComPort, m_settings.BaudRate);
        connect(m_form2, &Form2::accepted, this, &Form1::acceptSerialConfiguration);
    }
    m_form2->show();
    m_form2->raise();
    m_form2->activateWindow();
}

void Form1::acceptSerialConfiguration(const QString &comPort, const QString &baudRate)
{
    m_lifecycle.reopen(comPort, baudRate);
    if (m_form2)
        m_form2->close();
}

void Form1::refreshTrace()
{
    buildcmdlist(*this);
}

void Form1::saveForAll()
{
    saveForAllTerminals(m_link, *this);
}

qint16 Form1::checkState(int checkNumber) const
{
    return m_frame1->checkBox(checkNumber)->optionState();
}

void Form1::setCheckState(int checkNumber, qint16 state)
{
    m_frame1->checkBox(checkNumber)->setOptionState(state);
}

QString Form1::lengthText(int textNumber) const
{
    return m_frame1->lengthField(textNumber)->text();
}

void Form1::setLengthText(int textNumber, const QString &text)
{
    m_frame1->lengthField(textNumber)->setLoadedText(text);
}

void Form1::setCommandTrace(const QString &trace)
{
    m_text11->setText(trace);
    // A trace wider than the field shows its start, where the list begins.
    m_text11->setCursorPosition(0);
}
