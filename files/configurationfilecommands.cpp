#include "configurationfilecommands.h"

#include "configurationfile.h"
#include "filedialog.h"
#include "operatormessages.h"

ConfigurationFileCommands::ConfigurationFileCommands(
    OptionPanel &panel, FileDialog &dialog, OperatorMessages &messages)
    : m_panel(panel)
    , m_dialog(dialog)
    , m_messages(messages)
{ }

void ConfigurationFileCommands::load()
{
    const std::optional<QString> path = m_dialog.askOpen();
    if (path)
        report(readconffile(m_panel, *path));
}

void ConfigurationFileCommands::save()
{
    const std::optional<QString> path = m_dialog.askSave();
    if (path)
        report(writeconffile(m_panel, *path));
}

void ConfigurationFileCommands::report(const ConfigurationFileResult &result)
{
    if (!result.succeeded())
        m_messages.show(result.message());
}
