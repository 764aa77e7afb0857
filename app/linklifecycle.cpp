#include "linklifecycle.h"

#include "bootsettings.h"
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
    if (m_link.InitializeComm(port, baud) != success)
        return;
    m_link.radio_set_baudrate(baud);
    if (m_link.radio_init(port, radioChannel, radioMask, radioFlags) == success) {
        // Set before the box opens: ticks go on while it is shown.
        m_settings.BaseFound = Module3::trueValue;
        m_messages.show(QString::fromLatin1(baseFoundText));
    } else {
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
