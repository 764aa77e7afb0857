#pragma once

#include "headlesscommand.h"
#include "linklifecycle.h"
#include "module3.h"
#include "optionstates.h"
#include "terminalpoller.h"

class BootSettings;
class ConfigurationFileResult;
class LinkLibrary;
class OperatorMessages;

// `serve FILE`: the window's polling and link handling over the options read
// from a configuration file instead of the window's boxes.
class HeadlessServer
{
public:
    HeadlessServer(const HeadlessCommand &command, LinkLibrary &link, OperatorMessages &messages,
        BootSettings &store);

    // Reads the file the command names; its message when it cannot be read.
    ConfigurationFileResult readOptions();
    // The window's creation and start-up: polling, then the link opened from
    // the settings (the command line's, where given).
    void start();
    // Reads the file again; a file that cannot be read leaves the options in
    // force as they were.
    void reread();
    // The window's close: polling stops, then the link closes.
    void stop();

private:
    void logServedOptions(const QString &when);

    HeadlessCommand m_command;
    BootSettings &m_store;
    OptionStates m_options;
    Module3 m_settings;
    LinkLifecycle m_lifecycle;
    TerminalPoller m_poller;
};
