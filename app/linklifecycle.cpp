#include "linklifecycle.h"

#include "bootsettings.h"
#include "fieldlog.h"
#include "linklibrary.h"
#include "module3.h"
#include "operatormessages.h"

namespace {
// What radio_init is given besides the port: these values are the library's
// business; 65535 goes as a 32-bit value, not as -1.
constexpr qint32 radioChannel = 1;
constexpr qint32 radioMask = 0xFFFF;
constexpr qint32 radioFlags = 0;
constexpr qint32 success = 0;
} // namespace

LinkLifecycle::LinkLifecycle(
    Module3 &settings, LinkLibrary &link, OperatorMessages &messages, BootSettings &store)
    : m_settings(settings)
    , m_link(link)
    , m_messages(messages)
    , m_store(store)
{ }

void LinkLifecycle::start()
{
    m_settings.ComPort = m_store.comPort();
    m_settings.BaudRate = m_store.baudRate();
    m_settings.BaseFound = Module3::falseValue;
    inicomport();
}

void LinkLifecycle::inicomport()
{
    const qint32 port = m_settings.portNumber();
    const qint32 baud = m_settings.baudValue();
    const QString link = QStringLiteral("link on port %1 (\"%2\") at %3 baud")
                             .arg(port)
                             .arg(m_settings.ComPort)
                             .arg(baud);
    const qint32 opened = m_link.InitializeComm(port, baud);
    if (opened != success) {
        qCInfo(lcLink).noquote() << link
                + QStringLiteral(": the port did not open (result %1)").arg(opened);
        return;
    }
    m_link.radio_set_baudrate(baud);
    if (m_link.radio_init(port, radioChannel, radioMask, radioFlags) == success) {
        qCInfo(lcLink).noquote() << link + QStringLiteral(": base station found");
        // Set before the box opens: ticks go on while it is shown.
        m_settings.BaseFound = Module3::trueValue;
        m_messages.show(QString::fromLatin1(baseFoundText));
    } else {
        qCInfo(lcLink).noquote() << link + QStringLiteral(": no base station, serial message mode");
        m_messages.show(QString::fromLatin1(baseNotFoundText));
    }
}

void LinkLifecycle::close()
{
    if (m_settings.baseStationMode())
        m_link.radio_close();
    else
        m_link.TerminateComm(m_settings.portNumber());
}

void LinkLifecycle::reopen(const QString &comPort, const QString &baudRate)
{
    close();
    // Cleared so that the mode always reflects the link just opened: a failed
    // re-open must not leave base-station mode in force.
    m_settings.BaseFound = Module3::falseValue;
    m_settings.ComPort = comPort;
    m_settings.BaudRate = baudRate;
    m_store.store(m_settings.ComPort, m_settings.BaudRate);
    inicomport();
}
