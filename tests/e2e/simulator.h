#pragma once

#include <QProcess>
#include <QStringList>

// wendalink-sim run by a test: a simulated base station (or serial terminals)
// on a pseudo-terminal reached through `linkPath`.
class Simulator
{
public:
    Simulator(const QString &linkPath, const QString &mode, int terminals = 3);
    ~Simulator();

    bool isReady() const { return m_ready; }
    void send(const QString &command);
    // The configuration lines (`config TERMINAL HEX ...`) printed so far,
    // reduced to "TERMINAL HEX".
    QStringList configurations();
    QString errors();
    void stop();

private:
    void readOutput();

    QProcess m_process;
    QString m_pending;
    QStringList m_configurations;
    bool m_ready = false;
};
