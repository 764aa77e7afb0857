#pragma once

#include "frames.h"
#include "pseudoterminal.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

enum class SimulatorMode { Base, Serial };

struct SimulatorOptions
{
    static constexpr int defaultTerminals = 2;

    QString linkPath;
    SimulatorMode mode = SimulatorMode::Base;
    int terminals = defaultTerminals;
    std::chrono::milliseconds autoPeriod {0}; // 0: terminals ask only when told to
};

// The other end of the line: a base station with its terminals, or terminals
// on a plain serial message link. It reads commands on standard input, frames
// from the pseudo-terminal, and reports one line per event on standard output;
// problems go to standard error. Nothing it reads can make it stop, only
// `quit`, the end of input or a signal: each of these quits the event loop.
class Simulator final : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *defaultRequestText = "LASER RESET";
    static constexpr int maxNoiseBytes = 1024 * 1024;
    static constexpr int maxFloodSeconds = 3600;
    // Bytes waiting for the library to read them, beyond which more are refused.
    static constexpr qsizetype maxPendingOutput = 4 * 1024 * 1024;

    explicit Simulator(SimulatorOptions options);
    ~Simulator() override;

    // Creates the line and the link and prints `ready PATH`; false, with the
    // problem reported, when either cannot be made.
    bool start();

private:
    bool createLink();
    void removeLink();

    void readInput();
    void handleCommand(const QByteArray &line);
    void request(int terminal, const QByteArray &text);
    void sendNoise(int count);
    void startFlood(int seconds);
    void topUpFlood();
    void endFlood();
    void hangUp(); // the command
    void closeLine();

    void readLine();
    void checkPartialFrame();
    void handleFrames();
    void handleFrame(const WendalinkProtocol::Frame &frame);
    void receiveConfiguration(int terminal, const QByteArray &list);

    // False, with a problem reported, when the bytes were refused.
    bool queueForLine(const QByteArray &bytes);
    void writeLine();

    static QByteArray senderId(int terminal);
    int terminalOf(const QByteArray &senderId) const;
    bool isKnownTerminal(int terminal) const;

    static void event(const QByteArray &line);
    static void problem(const QByteArray &line);

    SimulatorOptions m_options;
    PseudoTerminal m_line;
    std::unique_ptr<QSocketNotifier> m_lineReadable;
    std::unique_ptr<QSocketNotifier> m_lineWritable;
    QSocketNotifier m_input;
    bool m_linkCreated = false;
    QByteArray m_pendingInput;
    QByteArray m_output;
    WendalinkProtocol::FrameDecoder m_decoder;
    qint64 m_reportedDamage = 0;
    QElapsedTimer m_clock;
    QTimer m_autoRequests;
    QTimer m_partialFrameDue;
    QTimer m_floodEnd;
    qint64 m_floodBytes = 0;
    QSet<int> m_requestedTerminals;
};
