#pragma once

#include "commandline.h"
#include "frames.h"
#include "pseudoterminal.h"

#include <QByteArray>

#include <chrono>
#include <random>
#include <set>
#include <string>

// The other end of the line: a base station with its terminals, or terminals
// on a plain serial message link. It reads commands on standard input, frames
// from the pseudo-terminal, and reports one line per event on standard output;
// problems go to standard error. Nothing it reads can make it stop, only
// `quit`, the end of input or a signal.
class Simulator
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr const char *defaultRequestText = "LASER RESET";
    static constexpr long maxNoiseBytes = 1024 * 1024;
    static constexpr long maxFloodSeconds = 3600;
    // Bytes waiting for the library to read them, beyond which more are refused.
    static constexpr std::size_t maxPendingOutput = 4 * 1024 * 1024;

    explicit Simulator(SimulatorOptions options);

    // Creates the line and the link, prints `ready PATH` and runs until told to
    // stop; `stopSignal` is the read end of a pipe a signal handler writes to.
    int run(int stopSignal);

private:
    bool createLink();
    void removeLink();

    void handleInput(int descriptor);
    void handleCommand(const std::string &line);
    void request(long terminal, const QByteArray &text);
    void sendNoise(long count);
    void startFlood(long seconds);
    void continueFlood(Clock::time_point now);
    void hangUp();

    void readLine();
    void checkPartialFrame(Clock::time_point now);
    void reportDamage();
    void handleFrame(const WendalinkProtocol::Frame &frame);
    void receiveConfiguration(long terminal, const QByteArray &list);

    // False, with a problem reported, when the bytes were refused.
    bool queueForLine(const QByteArray &bytes);
    void writeLine();

    int pollTimeout(Clock::time_point now) const;
    qint64 elapsedMs(Clock::time_point time) const;

    static QByteArray senderId(long terminal);
    long terminalOf(const QByteArray &senderId) const;
    bool isKnownTerminal(long terminal) const;

    void event(const std::string &line);
    void problem(const std::string &line);

    SimulatorOptions m_options;
    PseudoTerminal m_line;
    bool m_linkCreated = false;
    bool m_running = true;
    bool m_inputOpen = true;
    std::string m_input;
    QByteArray m_output;
    WendalinkProtocol::FrameDecoder m_decoder;
    qint64 m_reportedDamage = 0;
    const Clock::time_point m_started = Clock::now();
    Clock::time_point m_nextAutoRequest;
    bool m_flooding = false;
    Clock::time_point m_floodEnd;
    long long m_floodBytes = 0;
    std::set<long> m_requestedTerminals;
    std::mt19937 m_random {std::random_device {}()};
};
