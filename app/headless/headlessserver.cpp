#include "headlessserver.h"

#include "bootsettings.h"
#include "commandbuilder.h"
#include "configurationfile.h"
#include "fieldlog.h"
#include "loggedmessages.h"

HeadlessServer::HeadlessServer(const HeadlessCommand &command, LinkLibrary &link,
    OperatorMessages &messages, BootSettings &store)
    : m_command(command)
    , m_store(store)
    , m_lifecycle(m_settings, link, messages, store)
    , m_poller(link, m_options, messages, [this] { return m_settings.baseStationMode(); })
{ }

ConfigurationFileResult HeadlessServer::readOptions()
{
    const ConfigurationFileResult result = readconffile(m_options, m_command.file);
    if (result.succeeded())
        logServedOptions(QStringLiteral("read"));
    return result;
}

void HeadlessServer::start()
{
    m_poller.start();
    // The link start-up's own steps, with the command line's texts in place of
    // the stored ones; as at the window's start-up, nothing is stored.
    m_settings.ComPort = m_command.comPort.value_or(m_store.comPort());
    m_settings.BaudRate = m_command.baudRate.value_or(m_store.baudRate());
    m_settings.BaseFound = Module3::falseValue;
    m_lifecycle.inicomport();
}

void HeadlessServer::reread()
{
    // Read aside, so that a file that fails part-way changes nothing.
    OptionStates fresh;
    const ConfigurationFileResult result = readconffile(fresh, m_command.file);
    if (!result.succeeded()) {
        qCWarning(lcServe).noquote()
            << result.message() + QStringLiteral("; the options read before stay in force");
        return;
    }
    m_options = fresh;
    logServedOptions(QStringLiteral("read again"));
}

void HeadlessServer::stop()
{
    m_poller.stop();
    m_lifecycle.close();
    qCInfo(lcServe) << "stopped; the link is closed";
}

void HeadlessServer::logServedOptions(const QString &when)
{
    qCInfo(lcServe).noquote() << QStringLiteral("%1 %2: terminals get %3")
                                     .arg(m_command.file, when,
                                         readableRecords(buildcmdlist(m_options)));
}
