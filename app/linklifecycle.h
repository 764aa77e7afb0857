#pragma once

#include <QString>

class BootSettings;
class LinkLibrary;
class OperatorMessages;
struct Module3;

// Opening and closing the link to the base station, and the mode it leaves:
// base-station mode when the base station answered, serial message mode
// otherwise.
class LinkLifecycle
{
public:
    static constexpr const char *baseFoundText
        = "Please configure the parameters and make any order in the terminal !";
    static constexpr const char *baseNotFoundText = "Base Not Found";

    LinkLifecycle(
        Module3 &settings, LinkLibrary &link, OperatorMessages &messages, BootSettings &store);

    // Start-up: the stored settings, serial message mode, then inicomport.
    void start();
    // Opens the port and initialises the base station from the current
    // settings; tells the operator the outcome unless the port did not open.
    void inicomport();
    // Closes the link as the current mode requires.
    void close();
    // The serial dialog's OK: close the link, take and store the new texts,
    // open the link again.
    void reopen(const QString &comPort, const QString &baudRate);

private:
    Module3 &m_settings;
    LinkLibrary &m_link;
    OperatorMessages &m_messages;
    BootSettings &m_store;
};
