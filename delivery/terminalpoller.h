#pragma once

#include "linklibrary.h"

#include <QObject>

#include <array>
#include <functional>

class OperatorMessages;
class OptionPanel;
class QTimer;

// The polling timer Timer1 and its tick handler: each tick asks the link once
// for a terminal's message and answers a configuration request with the whole
// command list in one call, or tells the operator why not.
class TerminalPoller : public QObject
{
    Q_OBJECT

public:
    static constexpr int pollIntervalMs = 100;
    static constexpr const char *nothingSelectedText = "Please select some data...!";
    static constexpr const char *tooManyRecordsText
        = "Maximum number of messages exceded, please send the configuration in different "
          "times...";

    // `baseStationMode` is asked at every tick which mode is in force.
    TerminalPoller(LinkLibrary &link, OptionPanel &panel, OperatorMessages &messages,
        std::function<bool()> baseStationMode, QObject *parent = nullptr);

    // Ticks every pollIntervalMs from now until stop().
    void start();
    // No tick after this, not even the end of one whose message box is open.
    void stop();

private:
    // One tick: the mode is asked afresh, and Timer1 is off while the tick
    // runs, message boxes included.
    void tick();
    void answerRequest(bool baseStationMode, const QString &requester, const QString &sender,
        qint32 terminalNumber);

    LinkLibrary &m_link;
    OptionPanel &m_panel;
    OperatorMessages &m_messages;
    std::function<bool()> m_baseStationMode;
    QTimer *m_timer1;
    bool m_polling = false;
    // The two receive arrays live as long as the poller; nothing reads them.
    std::array<qint32, LinkLibrary::receiveArraySize> m_receiveArray1 {};
    std::array<qint32, LinkLibrary::receiveArraySize> m_receiveArray2 {};
};
