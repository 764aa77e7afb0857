#pragma once

#include "linklibrary.h"

#include <array>

class OperatorMessages;
class OptionPanel;
class QTimer;

// The tick handler of the polling timer: asks the link once for a terminal's
// message and answers a configuration request with the whole command list in
// one call, or tells the operator why not.
class TerminalPoller
{
public:
    static constexpr const char *nothingSelectedText = "Please select some data...!";
    static constexpr const char *tooManyRecordsText
        = "Maximum number of messages exceded, please send the configuration in different "
          "times...";

    // `timer` is the polling timer: it is off while a tick is handled.
    TerminalPoller(
        LinkLibrary &link, OptionPanel &panel, OperatorMessages &messages, QTimer &timer);

    void tick(bool baseStationMode);

private:
    LinkLibrary &m_link;
    OptionPanel &m_panel;
    OperatorMessages &m_messages;
    QTimer &m_timer;
    // The two receive arrays live as long as the window; nothing reads them.
    std::array<qint32, LinkLibrary::receiveArraySize> m_receiveArray1 {};
    std::array<qint32, LinkLibrary::receiveArraySize> m_receiveArray2 {};
};
