#pragma once

class ConfigurationFileResult;
class FileDialog;
class OperatorMessages;
class OptionPanel;

// The Load and Save commands of the File menu: ask for a name, then read or
// write the configuration file. Cancelling ends a command silently; a failure
// is reported to the operator with the file's name and what went wrong.
class ConfigurationFileCommands
{
public:
    ConfigurationFileCommands(OptionPanel &panel, FileDialog &dialog, OperatorMessages &messages);

    void load();
    void save();

private:
    void report(const ConfigurationFileResult &result);

    OptionPanel &m_panel;
    FileDialog &m_dialog;
    OperatorMessages &m_messages;
};
